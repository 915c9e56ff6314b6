#include "widgets/edit.h"

#include "core/globals.h"
#include "widgets/ctypecom.h"
#include "widgets/currentedit.h"
#include "widgets/numberinput.h"
#include "widgets/numberkeypad.h"
#include "widgets/numcharinput.h"

#include <QCoreApplication>
#include <QIntValidator>
#include <QKeyEvent>

#include <utility>

void ensureSharedPads()
{
    if (gpNumberInput && gpNumCharInput)
        return;
    if (!gpNumberInput)
        gpNumberInput = new NumberInput(nullptr);
    if (!gpNumCharInput)
        gpNumCharInput = new NumCharInput(nullptr);
    // Never shown; it only stands for "a pad is open" until the next focus loss closes it.
    if (!gpNumKeyPad)
        gpNumKeyPad = new NumberKeyPad(nullptr);
}

void forgetNumberKeyPad(NumberKeyPad* pad)
{
    if (!pad)
        return;
    pad->close();
    Edit* edit = pad->boundEdit();
    // Deleted later: the pad may be on the call stack (its own OK key ends the edit's focus).
    if (!edit || !edit->isPadOpen() || edit->pad() != pad)
        pad->deleteLater();
}

Edit::Edit(int flags, QWidget* parent, int style) : QLineEdit(parent), m_flags(flags)
{
    m_validator = new QIntValidator(this);
    if (style == 1) {
        C_Type_COM styler;
        styler.setLineEditStyle(this, 2);
    }
    if (m_flags & IntegerValidator)
        setValidator(m_validator);
    connect(this, &QLineEdit::textChanged, this, &Edit::SlotRange);
    // Replaces the bordered style: every edit is a white field with black text.
    setStyleSheet(QStringLiteral("QLineEdit{background-color: white;color: black;}"));
}

Edit::~Edit()
{
    if (currentEditWidget() == this)
        setCurrentEditWidget(nullptr);
    if (auto ownPad = qobject_cast<NumberKeyPad*>(m_pad.data())) {
        if (gpNumKeyPad == ownPad)
            gpNumKeyPad = nullptr;
        ownPad->close();
        ownPad->deleteLater();
    }
}

void Edit::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}

int Edit::number() const
{
    bool ok = false;
    const int value = text().toInt(&ok, 10);
    return ok ? value : 0;
}

void Edit::setNumber(int value)
{
    setText(QString::number(value));
}

void Edit::appendKey(const QString& key, bool replace)
{
    const QString character = QString::fromLatin1(key.toLatin1().left(1));
    setText(replace ? character : text() + character);
    setCursorPosition(text().length());
}

void Edit::backspace(bool* emptied)
{
    QString t = text();
    t.chop(1);
    setText(t);
    if (t.isEmpty() && emptied)
        *emptied = true;
    setCursorPosition(t.length());
}

void Edit::SlotRange(const QString& text)
{
    if (m_minimum == -1 || m_maximum == -1)
        return;
    if (m_minimum > m_maximum)
        std::swap(m_minimum, m_maximum);
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return;
    const QString clamped = QString::number(qBound(m_minimum, value, m_maximum));
    if (clamped != text)
        setText(clamped);  // re-enters with a text in range, which changes nothing
}

bool Edit::event(QEvent* event)
{
    // The main window re-creates a destroyed shared pad; before it exists (or when a pad went
    // with its host) the edit makes the missing ones itself.
    ensureSharedPads();
    switch (event->type()) {
    case QEvent::FocusIn:
        handleFocusIn();
        break;
    case QEvent::FocusOut:
        handleFocusOut();
        break;
    case QEvent::MouseButtonRelease:
        if (currentEditWidget())
            openPad();
        break;
    default:
        break;
    }
    return QLineEdit::event(event);
}

void Edit::handleFocusIn()
{
    if (echoMode() == QLineEdit::Password) {
        // A password is always typed anew; the edit stays the pads' target without the focus.
        setText(QString());
        clearFocus();
        setPlaceholderText(tableText(125));
    }
    setCurrentEditWidget(this);
}

void Edit::handleFocusOut()
{
    setCurrentEditWidget(nullptr);
    if (gpNumCharInput)
        gpNumCharInput->hide();
    if (gpNumberInput)
        gpNumberInput->hide();
    m_padOpen = false;
    if (gpNumKeyPad) {
        qInfo("gpNumKeyPad is closed");
        NumberKeyPad* pad = gpNumKeyPad;
        gpNumKeyPad = nullptr;
        forgetNumberKeyPad(pad);
    }
    emit focusOut();
}

void Edit::openPad()
{
    QWidget* pad = nullptr;
    if (m_flags & FullKeyboard) {
        pad = gpNumCharInput;
    } else {
        auto ownPad = qobject_cast<NumberKeyPad*>(m_pad.data());
        if (!m_padOpen || !ownPad) {
            if (gpNumKeyPad) {
                NumberKeyPad* previous = gpNumKeyPad;
                gpNumKeyPad = nullptr;
                forgetNumberKeyPad(previous);
            }
            ownPad = new NumberKeyPad(this);
            gpNumKeyPad = ownPad;
            m_padOpen = true;
        }
        pad = ownPad;
        // Empties the current edit (this one): the first key typed starts a new value.
        if (gpNumberInput)
            gpNumberInput->eraseAll();
    }
    if (!pad)
        return;
    m_pad = pad;
    placePad(pad);
}

void Edit::placePad(QWidget* pad)
{
    const int h = height();
    int x0 = x();
    int y0 = y() + h + 5;

    QWidget* parent = parentWidget();
    QWidget* host = parent;
    QWidget* grandparent = parent ? parent->parentWidget() : nullptr;
    if (m_flags & PadInGrandparent) {
        if (grandparent) {
            x0 += parent->x();
            y0 += parent->y();
            host = grandparent;
        }
    } else if (m_flags & PadAboveGrandparent) {
        if (grandparent && grandparent->parentWidget()) {
            x0 += parent->x() + grandparent->x();
            y0 += parent->y() + grandparent->y();
            host = grandparent->parentWidget();
        }
    }
    if (!host) {
        pad->show();
        return;
    }

    const int pw = pad->width();
    const int ph = pad->height();
    const int W = host->width();
    const int H = host->height();
    const int x = x0 + pw > W ? W - pw : x0;
    const int y1 = y0 + ph > screenHeight - 50 ? y0 - ph - 45 : y0;
    const int y2 = y1 + ph > H ? H - ph : y1;
    if (pad->parentWidget() != host)
        pad->setParent(host);
    // Otherwise 5 pixels above the edit's top.
    const int y = y2 + ph < H ? y2 : y0 - ph - h - 10;
    pad->move(x, y);
    pad->show();
    pad->raise();
}

void Edit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Period)
        emit sig_Dot();
    if (key == Qt::Key_Return) {
        if (gpNumCharInput && gpNumCharInput->isVisible()) {
            gpNumCharInput->HideUpdate();
        } else if (gpNumberInput && gpNumberInput->isVisible()) {
            // nothing
        } else {
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), Qt::LeftButton, Qt::NoButton,
                                Qt::NoModifier);
            QCoreApplication::sendEvent(this, &release);
        }
    }

    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (!m_physicalKeyTyping) {
        if (digit || key == Qt::Key_Backspace) {
            emit sig_keyPress(digit ? key - Qt::Key_0 : -1);
            event->ignore();  // not inserted
            return;
        }
    } else if (digit) {
        setText(text() + QChar(QLatin1Char(static_cast<char>('0' + (key - Qt::Key_0)))));
        if (gpNumKeyPad)
            gpNumKeyPad->setFirstKey(false);
        event->ignore();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
