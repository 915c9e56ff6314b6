#include "tests/support/modalanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <vector>

namespace ModalAnswer {

namespace {
int g_answered = 0;
QString g_lastText;

// The answers armed and not yet used, with what each was waiting for.
struct Armed {
    QPointer<QTimer> timer;
    QString expected;
};
std::vector<Armed>& armed()
{
    static std::vector<Armed> list;
    return list;
}

QString labelsOf(QWidget* w)
{
    QStringList texts;
    const auto labels = w->findChildren<QLabel*>();
    for (QLabel* l : labels)
        if (!l->text().isEmpty())
            texts << l->text();
    return texts.join(QLatin1Char(' '));
}

void disarm(QTimer* timer)
{
    timer->stop();
    timer->deleteLater();
    auto& list = armed();
    list.erase(std::remove_if(list.begin(), list.end(), [timer](const Armed& a) { return a.timer == timer; }),
               list.end());
}

}  // namespace

// Polls every 20 ms until `act` reports that it handled a modal widget. No clock: the box comes
// when the code under test gets there, and the test's own time limit bounds the whole.
void whenShown(std::function<bool(QWidget*)> act, const QString& expected)
{
    auto timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && act(modal))
            disarm(timer);
    });
    armed().push_back({timer, expected});
    timer->start();
}

void pressWhenShown(const QString& button)
{
    whenShown(
        [button](QWidget* modal) {
            g_lastText = labelsOf(modal);
            const auto buttons = modal->findChildren<QAbstractButton*>();
            for (QAbstractButton* b : buttons) {
                if (b->isVisible() && (b->text() == button || b->objectName() == button)) {
                    ++g_answered;
                    b->click();
                    return true;
                }
            }
            ++g_answered;
            if (auto dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->hide();
            return true;
        },
        QStringLiteral("a modal box to answer with \"%1\"").arg(button));
}

void finishWhenShown(int result)
{
    whenShown(
        [result](QWidget* modal) {
            auto dialog = qobject_cast<QDialog*>(modal);
            if (!dialog)
                return false;
            g_lastText = labelsOf(modal);
            ++g_answered;
            dialog->done(result);
            return true;
        },
        QStringLiteral("a modal dialog to finish with %1").arg(result));
}

int answeredCount()
{
    return g_answered;
}

QString lastAnsweredText()
{
    return g_lastText;
}

QStringList endOfTest()
{
    QStringList missing;
    for (const Armed& a : armed()) {
        missing << a.expected;
        if (a.timer) {
            a.timer->stop();
            a.timer->deleteLater();
        }
    }
    armed().clear();
    return missing;
}

}  // namespace ModalAnswer
