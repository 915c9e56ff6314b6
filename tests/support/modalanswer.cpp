#include "tests/support/modalanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace ModalAnswer {

namespace {
int g_answered = 0;
QString g_lastText;

QString labelsOf(QWidget* w)
{
    QStringList texts;
    const auto labels = w->findChildren<QLabel*>();
    for (QLabel* l : labels)
        if (!l->text().isEmpty())
            texts << l->text();
    return texts.join(QLatin1Char(' '));
}

// Polls every 20 ms until `act` reports that it handled a modal widget or time runs out.
void poll(std::function<bool(QWidget*)> act, int timeoutMs)
{
    auto timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act, timeoutMs]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && act(modal)) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
}  // namespace

void pressWhenShown(const QString& button, int timeoutMs)
{
    poll(
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
        timeoutMs);
}

void finishWhenShown(int result, int timeoutMs)
{
    poll(
        [result](QWidget* modal) {
            auto dialog = qobject_cast<QDialog*>(modal);
            if (!dialog)
                return false;
            g_lastText = labelsOf(modal);
            ++g_answered;
            dialog->done(result);
            return true;
        },
        timeoutMs);
}

int answeredCount()
{
    return g_answered;
}

QString lastAnsweredText()
{
    return g_lastText;
}

}  // namespace ModalAnswer
