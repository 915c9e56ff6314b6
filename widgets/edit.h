// The line edit of every field an operator types into: tapping it opens an on-screen pad (its own
// numeric pad or the shared keyboard) placed next to it, and losing the focus closes the pads.
#pragma once

#include <QLineEdit>
#include <QPointer>

class QIntValidator;

class Edit : public QLineEdit {
    Q_OBJECT

public:
    // Bits of the flag word.
    enum Flag {
        IntegerValidator = 1,  // install the integer validator
        FullKeyboard = 2,      // a tap opens the shared keyboard; the text is not emptied
        Reserved4 = 4,         // stored; nothing reads it
        PadInGrandparent = 8,  // the pad is placed in the edit's grandparent
        PadAboveGrandparent = 16,  // ... in the grandparent's parent (bit 8 takes precedence)
    };

    // Style 1 gives the bordered field style (every user passes it); the field ends up white with
    // black text in any case.
    Edit(int flags, QWidget* parent, int style);
    ~Edit() override;

    int flags() const { return m_flags; }
    QIntValidator* intValidator() const { return m_validator; }

    // The text clamp of SlotRange; -1 in either bound switches it off.
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // True from the creation of this edit's numeric pad until the next focus loss.
    bool isPadOpen() const { return m_padOpen; }
    // The pad most recently opened for this edit: its own numeric pad or the shared keyboard.
    QWidget* pad() const { return m_pad.data(); }

    // When on, digits of a physical keyboard are typed into the text instead of being reported
    // through sig_keyPress (the password box uses it).
    void setPhysicalKeyTyping(bool on) { m_physicalKeyTyping = on; }

    // The text as a base-10 integer, 0 when it does not parse; and the reverse.
    int number() const;
    void setNumber(int value);

    // The pads type through these two. appendKey adds the first character of `key` (or puts it
    // alone when `replace`); backspace drops the last character and sets *emptied when the text
    // is then empty.
    virtual void appendKey(const QString& key, bool replace);
    virtual void backspace(bool* emptied);

signals:
    void sig_Dot();
    // A physical digit key (0..9) or Backspace (-1) while physical-key typing is off.
    void sig_keyPress(int keyNum);
    void focusOut();

public slots:
    // Clamps a numeric text into [minimum, maximum] (swapping the bounds when they are reversed).
    void SlotRange(const QString& text);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void handleFocusIn();
    void handleFocusOut();
    void openPad();
    void placePad(QWidget* pad);

    int m_flags;
    QPointer<QWidget> m_pad;
    QIntValidator* m_validator;
    int m_minimum = -1;
    int m_maximum = -1;
    bool m_padOpen = false;
    bool m_physicalKeyTyping = false;
};

// Makes the shared numeric pad and the shared keyboard exist (parentless and hidden), and, when
// it creates one and no numeric pad is open, an unbound numeric pad as the open one.
void ensureSharedPads();

// Closes a numeric pad that is no longer the open one; it is deleted unless its edit still
// counts it as open (an edit without the focus shows it again at its next tap).
void forgetNumberKeyPad(class NumberKeyPad* pad);
