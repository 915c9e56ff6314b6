// Answers the modal boxes of a command in turn, one step per box, and notes each box's class
// and, for message boxes, its text; a box beyond the steps is closed with 0.
#pragma once

#include "widgets/edit.h"
#include "widgets/inputbox.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

class ModalSteps {
public:
    using Step = std::function<void(QDialog*)>;
    explicit ModalSteps(std::vector<Step> steps)
        : m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this]() {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            shown << QString::fromLatin1(box->metaObject()->className());
            if (auto* tip = qobject_cast<tipbox*>(box))
                texts << tip->text();
            else if (auto* warning = qobject_cast<Warnbox*>(box))
                texts << warning->text();
            if (m_next < m_steps.size())
                m_steps[m_next++](box);
            else
                box->done(0);  // a box nobody expected: closed, and seen in `shown`
        });
        m_timer.start(20);
    }

    static Step press(const QString& text)
    {
        return [text](QDialog* box) {
            for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                if (b->isVisible() && b->text() == text) {
                    b->click();
                    return;
                }
            box->done(0);
        };
    }
    static Step enterPassword(const QString& password)
    {
        return [password](QDialog* box) {
            auto* login = qobject_cast<inputbox*>(box);
            ASSERT_NE(login, nullptr);
            login->entry()->setText(password);
            login->accept();
        };
    }
    static Step finish(int result)
    {
        return [result](QDialog* box) { box->done(result); };
    }
    // The folder chooser answered with `folder`.
    static Step chooseFolder(const QString& folder)
    {
        return [folder](QDialog* box) {
            auto* chooser = qobject_cast<QFileDialog*>(box);
            ASSERT_NE(chooser, nullptr);
            chooser->setDirectory(folder);
            QMetaObject::invokeMethod(chooser, "accept");
        };
    }

    // Class names of the boxes, in order.
    QStringList shown;
    // Texts of the tipboxes and Warnboxes among them, in order.
    QStringList texts;

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
};
