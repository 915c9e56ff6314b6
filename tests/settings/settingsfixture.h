// The settings dialog over a real working directory: the demo's PARAM.db and SN.db loaded by the
// parameter store, a main window with its two simulated cameras and its RECORD.db, and a script
// that answers the modal boxes the dialog shows, one after the other, recording their texts.
#pragma once

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "mainwindow/mojuwizard.h"
#include "tests/support/eventwait.h"
#include "tests/support/modalanswer.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Answers modal boxes in the order they appear: each gets the next answer (1 OK, 0 Cancel or
// close); boxes beyond the script are closed with 0. Every box's text is recorded.
class ModalScript {
public:
    // With `keepPictures`, each box is grabbed as shown before it is answered.
    explicit ModalScript(std::vector<int> answers, bool keepPictures = false)
        : m_answers(std::move(answers))
        , m_keepPictures(keepPictures)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this]() { answerOne(); });
        m_timer.start(10);
    }

    // Texts of the boxes answered so far, and (when kept) each box as it was shown.
    QStringList texts;
    QList<QImage> pictures;

private:
    // The visible message box, if any (an answered box hides at once).
    QDialog* openBox() const
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto dialog = qobject_cast<QDialog*>(w);
            if (dialog && dialog->isVisible()
                && (qobject_cast<tipbox*>(dialog) || qobject_cast<Warnbox*>(dialog)))
                return dialog;
        }
        return nullptr;
    }

    void answerOne()
    {
        QDialog* dialog = openBox();
        if (!dialog)
            return;
        if (auto box = qobject_cast<tipbox*>(dialog))
            texts << box->text();
        else
            texts << static_cast<Warnbox*>(dialog)->text();
        if (m_keepPictures)
            pictures << dialog->grab().toImage();
        const int answer = m_next < m_answers.size() ? m_answers[m_next] : 0;
        ++m_next;
        dialog->done(answer);
    }

    std::vector<int> m_answers;
    size_t m_next = 0;
    bool m_keepPictures = false;
    QTimer m_timer;
};

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        for (const char* file : {"PARAM.db", "SN.db"}) {
            const QString name = QString::fromLatin1(file);
            ASSERT_TRUE(QFile::copy(QStringLiteral(MONITOR_SOURCE_DIR "/samples/paraGroup/default/") + name, name));
            QFile::setPermissions(name, QFile::permissions(name) | QFileDevice::WriteOwner);
        }
        store = ParameterManager::instance();
        ASSERT_TRUE(store->loadParams());
        activeParams = store->active;
        editParams = store->edit;
        qputenv("MONITOR_SERIAL_PORT", "no-io-board");
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        window = new MoJuWizard;
        *editParams = *activeParams;
    }

    void TearDown() override
    {
        delete window;
        mainWindow = nullptr;
        controlPort = nullptr;
        activeParams = nullptr;
        editParams = nullptr;
        store->queryIn = QSqlQuery();
        store->queryT = QSqlQuery();
        store->dbIn.close();
        store->dbT.close();
        store->dbIn = QSqlDatabase();
        store->dbT = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("dbIn"));
        QSqlDatabase::removeDatabase(QStringLiteral("dbT"));
        currentLanguage = 0;
        qunsetenv("MONITOR_SERIAL_PORT");
    }

    // A digest of the file's bytes.
    static QByteArray digest(const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
    }

    // PARAM.db read afresh into a new record, on a connection of the test's own.
    static SystemParam reloadParams()
    {
        SystemParam record;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reload"));
            db.setDatabaseName(QStringLiteral("PARAM.db"));
            EXPECT_TRUE(db.open());
            record.loadSysParams(QSqlQuery(db));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("reload"));
        return record;
    }

    // The remarks of the operation log, oldest first.
    static QStringList logRemarks()
    {
        QStringList remarks;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("record"));
            db.setDatabaseName(QStringLiteral("RECORD.db"));
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(QStringLiteral("select remarks from RECORD order by rowid")));
            while (q.next())
                remarks << q.value(0).toString();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("record"));
        return remarks;
    }

    // Makes PARAM.db refuse every change of the stored record.
    static void refuseParamUpdates()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("refuse"));
            db.setDatabaseName(QStringLiteral("PARAM.db"));
            EXPECT_TRUE(db.open());
            EXPECT_TRUE(QSqlQuery(db).exec(QStringLiteral(
                "create trigger refuse before update on sysparam begin select raise(abort, 'refused'); end")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("refuse"));
    }

    ParameterManager* store = nullptr;
    MoJuWizard* window = nullptr;
};
