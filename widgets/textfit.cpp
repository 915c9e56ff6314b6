#include "widgets/textfit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QVariant>
#include <QWidget>
#include <QPushButton>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace {

int widestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// The pixel size a widget had when first fitted: a refit measures from there, not from a size
// an earlier fit chose.
int firstPixelSize(QWidget* widget)
{
    const char* const kProperty = "fitLargestPixelSize";
    const QVariant stored = widget->property(kProperty);
    if (stored.isValid())
        return stored.toInt();
    widget->ensurePolished();
    const int size = QFontInfo(widget->font()).pixelSize();
    widget->setProperty(kProperty, size);
    return size;
}

bool fitsRoom(const QFont& font, const QString& text, const QRect& room)
{
    const QFontMetrics metrics(font);
    // The whole line box, not only the ink: a centred line keeps its descenders inside too.
    const int lines = int(text.count(QLatin1Char('\n'))) + 1;
    return widestLine(metrics, text) <= room.width() && lines * metrics.height() <= room.height() + 1;
}

// The largest pixel size from `largest` down to `smallest` at which every one of `texts` fits.
int roomySize(QFont font, const QStringList& texts, const QRect& room, int largest, int smallest)
{
    for (int size = largest; size > smallest; --size) {
        font.setPixelSize(size);
        if (std::all_of(texts.begin(), texts.end(), [&](const QString& t) { return fitsRoom(font, t, room); }))
            return size;
    }
    return smallest;
}

}  // namespace

namespace {

// Characters of the CJK scripts: each may stand at the end or start of a line.
bool breaksFreely(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF);
}

// The pieces between which a line may break: words with their trailing space, and single CJK
// characters.
QStringList breakUnits(const QString& text)
{
    QStringList units;
    QString word;
    for (const QChar c : text) {
        if (breaksFreely(c)) {
            if (!word.isEmpty())
                units << word;
            word.clear();
            units << QString(c);
        } else if (c == QLatin1Char(' ')) {
            units << word + c;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        units << word;
    return units;
}

// Closing punctuation of Chinese and Japanese, and the closing quote they use: a line may end
// after it, and never starts with it.
bool closesPhrase(QChar c)
{
    static const QString marks = QStringLiteral("，。、！？；：）］｝」』】》〉”．…");
    return !c.isNull() && marks.contains(c);
}

// The pieces of a paragraph between which a message line breaks by preference: words with their
// trailing space, and the phrases of Chinese and Japanese, each up to and with its closing
// punctuation ("参数组“g2”无法删除，" is one). Qt would break between any two CJK characters,
// inside a word such as 改变; these texts have no other mark of where a word ends.
QStringList phrasesOf(const QString& paragraph)
{
    QStringList phrases;
    QString phrase;
    for (int i = 0; i < paragraph.size(); ++i) {
        const QChar c = paragraph.at(i);
        phrase += c;
        // A run of closing marks ("！”") ends the phrase after its last one.
        const bool closingRunGoesOn = i + 1 < paragraph.size() && closesPhrase(paragraph.at(i + 1));
        if (c == QLatin1Char(' ') || (closesPhrase(c) && !closingRunGoesOn)) {
            phrases << phrase;
            phrase.clear();
        }
    }
    if (!phrase.isEmpty())
        phrases << phrase;
    return phrases;
}

// breakUnits of a phrase too long for a line, with closing punctuation kept on the line before.
QStringList unitsOfLongPhrase(const QString& phrase)
{
    QStringList units;
    for (const QString& unit : breakUnits(phrase)) {
        if (!units.isEmpty() && closesPhrase(unit.at(0)))
            units.last() += unit;
        else
            units << unit;
    }
    return units;
}

// Puts `units` on the line being filled while it stays within `width`; a unit that would not fit
// closes the line into `lines` and starts the next (a unit wider than `width` stands alone).
void fillLines(const QFontMetrics& fm, const QStringList& units, int width, QStringList* lines, QString* line)
{
    for (const QString& unit : units) {
        const QString longer = *line + unit;
        if (!line->isEmpty() && fm.horizontalAdvance(longer.trimmed()) > width) {
            *lines << line->trimmed();
            *line = unit;
        } else {
            *line = longer;
        }
    }
}

}  // namespace

QString wrappedToWidth(const QFont& font, const QString& text, int width)
{
    const QFontMetrics fm(font);
    if (fm.horizontalAdvance(text) <= width)
        return text;
    QStringList lines;
    QString line;
    fillLines(fm, breakUnits(text), width, &lines, &line);
    if (!line.trimmed().isEmpty())
        lines << line.trimmed();
    return lines.join(QLatin1Char('\n'));
}

QString wrappedAtPhrases(const QFont& font, const QString& text, int width)
{
    const QFontMetrics fm(font);
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& phrase : phrasesOf(paragraph)) {
            if (fm.horizontalAdvance(phrase.trimmed()) <= width)
                fillLines(fm, {phrase}, width, &lines, &line);
            else
                fillLines(fm, unitsOfLongPhrase(phrase), width, &lines, &line);
        }
        // An empty paragraph stays an empty line.
        lines << line.trimmed();
    }
    return lines.join(QLatin1Char('\n'));
}

int fittingPixelSize(QFont font, const QString& text, int width, int largest, int smallest)
{
    for (int size = largest; size > smallest; --size) {
        font.setPixelSize(size);
        if (widestLine(QFontMetrics(font), text) <= width)
            return size;
    }
    return smallest;
}

QFont fittingFont(QFont font, const QRect& box, int flags, const QString& text, int smallest)
{
    const QFontInfo shown(font);
    for (int size = shown.pixelSize(); size > smallest; --size) {
        font.setPixelSize(size);
        const QRect needed = QFontMetrics(font).boundingRect(box, flags, text);
        if (needed.width() <= box.width() && needed.height() <= box.height())
            return font;
    }
    font.setPixelSize(smallest);
    return font;
}

void fitButtonCaption(QPushButton* button, int room, int smallest)
{
    // An earlier fit (of another caption) is taken back first, so that the size is measured from
    // the one the style sheets give.
    static const QRegularExpression earlierFit(QStringLiteral("QPushButton\\{font-size:\\d+px;\\}/\\*fit\\*/"));
    QString sheet = button->styleSheet();
    if (sheet.contains(earlierFit)) {
        sheet.remove(earlierFit);
        button->setStyleSheet(sheet);
    }
    button->ensurePolished();
    const QFont font = button->font();
    const int size = QFontInfo(font).pixelSize();
    const int fitted = fittingPixelSize(font, button->text(), room, size, smallest);
    if (fitted >= size)
        return;
    button->setStyleSheet(sheet + QStringLiteral("QPushButton{font-size:%1px;}/*fit*/").arg(fitted));
}

void fitComboEntries(QComboBox* box, int smallest)
{
    const int largest = firstPixelSize(box);
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    option.frame = box->hasFrame();
    const QRect room = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        if (!box->itemText(i).trimmed().isEmpty())
            texts << box->itemText(i);
    QFont font = box->font();
    font.setPixelSize(roomySize(font, texts, room, largest, smallest));
    box->setFont(font);
    if (box->view())
        box->view()->setFont(font);
}

void fitBoxCaption(QAbstractButton* box, int smallest)
{
    // As for buttons, the size goes into the box's own style sheet, which outranks the page's
    // "QCheckBox{font-size}" rules; an earlier fit is taken back first.
    const bool radio = qobject_cast<QRadioButton*>(box) != nullptr;
    const QString type = radio ? QStringLiteral("QRadioButton") : QStringLiteral("QCheckBox");
    static const QRegularExpression earlierFit(QStringLiteral("Q(CheckBox|RadioButton)\\{font-size:\\d+px;\\}/\\*fit\\*/"));
    QString sheet = box->styleSheet();
    if (sheet.contains(earlierFit)) {
        sheet.remove(earlierFit);
        box->setStyleSheet(sheet);
    }
    if (box->text().trimmed().isEmpty())
        return;
    box->ensurePolished();
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect room = box->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, box);
    const QFont font = box->font();
    const int size = QFontInfo(font).pixelSize();
    const int fitted = roomySize(font, {box->text()}, room, size, smallest);
    if (fitted >= size)
        return;
    box->setStyleSheet(sheet + QStringLiteral("%1{font-size:%2px;}/*fit*/").arg(type).arg(fitted));
}

void fitCombosOf(QWidget* page, int smallest)
{
    for (QComboBox* box : page->findChildren<QComboBox*>())
        fitComboEntries(box, smallest);
}
