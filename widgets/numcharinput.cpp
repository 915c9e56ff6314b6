#include "widgets/numcharinput.h"

#include "core/globals.h"
#include "widgets/colorbutton.h"
#include "widgets/currentedit.h"
#include "widgets/padpainting.h"

#include <QButtonGroup>
#include <QLineEdit>

namespace {

// Key rows: first key id, key count, x of the first key and y; keys are 70 pixels apart.
struct KeyRow {
    int firstId;
    int count;
    int x;
    int y;
};
constexpr KeyRow kRows[] = {{0, 11, 10, 10}, {11, 10, 42, 80}, {21, 9, 62, 150}, {30, 7, 106, 220}};

// The characters of keys 0..36 on each page; the first row never changes.
const char kLowerPage[] = "1234567890_qwertyuiopasdfghjklzxcvbnm";
const char kUpperPage[] = "1234567890_QWERTYUIOPASDFGHJKLZXCVBNM";
const char kPunctuationPage[] = "1234567890_-=[]\\;',./@#$%^?*()`~!{}:\"";

const char* charactersOf(NumCharInput::Page page)
{
    switch (page) {
    case NumCharInput::Page::Upper:
        return kUpperPage;
    case NumCharInput::Page::Punctuation:
        return kPunctuationPage;
    case NumCharInput::Page::Lower:
        break;
    }
    return kLowerPage;
}

ColorButton* makeKey(const QString& text, QWidget* pad, int x, int y, int w)
{
    auto key = new ColorButton(text, pad, 0);
    key->setFocusPolicy(Qt::NoFocus);
    key->setGeometry(x, y, w, 65);
    return key;
}

QLineEdit* currentLineEdit()
{
    return qobject_cast<QLineEdit*>(currentEditWidget());
}

}  // namespace

NumCharInput::NumCharInput(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::CustomizeWindowHint);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 785, 295);

    m_buttonGroup = new QButtonGroup(this);
    for (const KeyRow& row : kRows) {
        for (int k = 0; k < row.count; ++k) {
            const int id = row.firstId + k;
            m_charKeys[id] = makeKey(QString(), this, row.x + 70 * k, row.y, 65);
            m_buttonGroup->addButton(m_charKeys[id], id);
        }
    }
    showPage(Page::Lower);
    m_pageKey = makeKey(tableText(441), this, width() - 90, 150, 80);
    m_capsKey = makeKey(tableText(158), this, 10, 220, 80);
    m_backspaceKey = makeKey(tableText(157), this, width() - 180, 220, 80);
    m_okKey = makeKey(tableText(121), this, width() - 90, 220, 80);

    connect(m_buttonGroup, &QButtonGroup::idClicked, this, &NumCharInput::setContent);
    connect(m_pageKey, &QPushButton::clicked, this, &NumCharInput::SlotChgChar_Punc);
    connect(m_capsKey, &QPushButton::clicked, this, &NumCharInput::SlotCap);
    connect(m_backspaceKey, &QPushButton::clicked, this, &NumCharInput::eraseContent);
    connect(m_okKey, &QPushButton::clicked, this, &NumCharInput::HideUpdate);
    hide();
}

NumCharInput::~NumCharInput()
{
    if (gpNumCharInput == this)
        gpNumCharInput = nullptr;
}

void NumCharInput::showPage(Page page)
{
    m_page = page;
    const char* characters = charactersOf(page);
    for (int id = 0; id < kCharKeys; ++id)
        m_charKeys[id]->setText(QStringLiteral("%1").arg(QLatin1Char(characters[id])));
}

void NumCharInput::SlotCap()
{
    if (m_capsKey->text() == tableText(158)) {
        showPage(Page::Upper);
        m_pageKey->setText(tableText(441));
        m_capsKey->setText(tableText(159));
    } else {
        showPage(Page::Lower);
        m_pageKey->setText(tableText(441));
        m_capsKey->setText(tableText(158));
    }
}

void NumCharInput::SlotChgChar_Punc()
{
    if (m_pageKey->text() == tableText(441)) {
        showPage(Page::Punctuation);
        m_pageKey->setText(tableText(442));
    } else {
        showPage(Page::Lower);
        m_pageKey->setText(tableText(441));
    }
    m_capsKey->setText(tableText(158));
}

void NumCharInput::showEvent(QShowEvent* event)
{
    m_pageKey->setText(tableText(442));
    m_capsKey->setText(tableText(158));
    SlotChgChar_Punc();
    QWidget::showEvent(event);
}

void NumCharInput::mousePressEvent(QMouseEvent*) {}

void NumCharInput::mouseReleaseEvent(QMouseEvent*) {}

void NumCharInput::paintEvent(QPaintEvent* event)
{
    paintPadBackground(this, event);
}

void NumCharInput::setContent(int id)
{
    QLineEdit* edit = currentLineEdit();
    if (!edit)
        return;
    const QByteArray character = m_charKeys[id]->text().toLatin1().left(1);
    edit->setText(edit->text() + QLatin1String(character));
    edit->setCursorPosition(edit->text().length());
}

void NumCharInput::eraseContent()
{
    QLineEdit* edit = currentLineEdit();
    if (!edit)
        return;
    QString text = edit->text();
    text.chop(1);
    edit->setText(text);
    // Before the last remaining character.
    edit->setCursorPosition(text.length() - 1);
}

void NumCharInput::HideUpdate()
{
    if (!isVisible())
        return;
    hide();
    if (parentWidget())
        parentWidget()->update();
}
