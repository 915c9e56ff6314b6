// Every screen and dialog the operator or the service engineer reaches, in Chinese and in English
// on the panel's 1920 x 1080 screen: each visible label, button, tab, check box, combo entry,
// table header and painted title must fit the room it is given (font metrics against the contents
// rectangle; elided text counts as cut), and under English no visible text may hold a Chinese
// character, except data (stored remarks, file names, camera names), while in Chinese Qt's own
// dialogs speak Chinese too. Nothing a screen, picker or drop-down list shows reaches past the
// screen's edge, and every combo box shows its text and its list rows at the kit's sizes at
// least. One table of screens; every offender is listed with its screen, object and text.
#include "cameras/camerainfo.h"
#include "cameras/simulatecamera.h"
#include "core/startup.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "mainwindow/hardwareconfigurationwidget.h"
#include "mainwindow/helpwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "records/statisticswidget.h"
#include "records/temperaturechartdata.h"
#include "records/temperaturechartwidget.h"
#include "settings/systemparamdialog.h"
#include "settings/versiondownloaddialog.h"
#include "settings/widgetchangecamera.h"
#include "settings/wizardparawidget.h"
#include "io/customionamewidget.h"
#include "settings/advanceparamwidget.h"
#include "tests/settings/scratchfiles.h"
#include "tests/settings/settingsfixture.h"
#include "view/imagepickform.h"
#include "widgets/choosemodifytime.h"
#include "widgets/numberinput.h"
#include "widgets/edit.h"
#include "widgets/numberkeypad.h"
#include "widgets/numcharinput.h"
#include "widgets/rollingtime.h"
#include "widgets/choosecalinum.h"
#include "io/iowidget.h"
#include "view/camerareportform.h"
#include "view/drawroiwidget.h"
#include "widgets/colorbutton.h"
#include "widgets/calendarwidget.h"
#include "widgets/choosebox.h"
#include "widgets/combobox.h"
#include "widgets/datetimefield.h"
#include "widgets/fromtimetotime.h"
#include "widgets/kitfont.h"
#include "widgets/datetimewidget.h"
#include "widgets/modifytimewidget.h"
#include "widgets/inputbox.h"
#include "widgets/passwordbox.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"
#include "widgets/warnboxconfirm.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QFontInfo>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionHeader>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <QTranslator>
#include <QtMath>

#include <functional>
#include <set>

namespace {

bool hasChinese(const QString& text)
{
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        // CJK punctuation, ideographs, and the full-width forms (：，（）).
        if ((u >= 0x3000 && u <= 0x303F) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

QString plainText(const QString& text)
{
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    return plain;
}

// Access to the style options the widgets paint with.
struct PushAccess : QPushButton {
    using QPushButton::initStyleOption;
};
struct CheckAccess : QCheckBox {
    using QCheckBox::initStyleOption;
};
struct RadioAccess : QRadioButton {
    using QRadioButton::initStyleOption;
};
struct ComboAccess : QComboBox {
    using QComboBox::initStyleOption;
};
struct TabAccess : QTabBar {
    using QTabBar::initStyleOption;
};
struct HeaderAccess : QHeaderView {
    using QHeaderView::initStyleOption;
};

struct Finding {
    QString screen;
    QString object;
    QString text;
    QString problem;
    int language;
};

// The widget that paints at the moment: the receiver of the last paint event.
QPointer<QWidget> paintingWidget;

class PaintWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            paintingWidget = static_cast<QWidget*>(watched);
        return false;
    }
};

// A paint engine that draws nothing and records every text it is given, with the clip in force:
// text a widget paints itself (box titles, legends, painted captions) is measured too.
struct PaintedText {
    QPointer<QWidget> widget;
    QString text;
    QRectF ink;      // device coordinates
    QRectF room;     // clip in force, device coordinates (null: none)
};

class TextRecordingEngine : public QPaintEngine {
public:
    TextRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    std::vector<PaintedText> texts;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags flags = state.state();
        if (flags & DirtyTransform)
            m_transform = state.transform();
        if (flags & DirtyClipEnabled)
            m_clipEnabled = state.isClipEnabled();
        if (flags & (DirtyClipRegion | DirtyClipPath)) {
            QRectF clip = (flags & DirtyClipPath) ? state.clipPath().boundingRect()
                                                  : QRectF(state.clipRegion().boundingRect());
            clip = m_transform.mapRect(clip);
            switch (state.clipOperation()) {
            case Qt::NoClip:
                m_clipEnabled = false;
                m_clip = QRectF();
                break;
            case Qt::ReplaceClip:
                m_clipEnabled = true;
                m_clip = clip;
                break;
            case Qt::IntersectClip:
                m_clipEnabled = true;
                m_clip = m_clip.isNull() ? clip : m_clip.intersected(clip);
                break;
            }
        }
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.trimmed().isEmpty())
            return;
        QFontMetricsF fm(item.font());
        QRectF ink = fm.tightBoundingRect(text).translated(p);
        ink = m_transform.mapRect(ink);
        QRectF room;
        const QRegion system = systemClip();
        if (!system.isEmpty())
            room = QRectF(system.boundingRect());
        if (m_clipEnabled && !m_clip.isNull())
            room = room.isNull() ? m_clip : room.intersected(m_clip);
        texts.push_back({paintingWidget, text, ink, room});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawEllipse(const QRect&) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawPoints(const QPoint*, int) override {}

private:
    QTransform m_transform;
    bool m_clipEnabled = false;
    QRectF m_clip;
};

class TextRecordingDevice : public QPaintDevice {
public:
    explicit TextRecordingDevice(QWidget* model) : m_model(model) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    TextRecordingEngine& engine() { return m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_model->width();
        case PdmHeight:
            return m_model->height();
        case PdmWidthMM:
            return m_model->widthMM();
        case PdmHeightMM:
            return m_model->heightMM();
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return m_model->logicalDpiX();
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return m_model->logicalDpiY();
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QWidget* m_model;
    mutable TextRecordingEngine m_engine;
};

// Checks the screens and collects the offenders.
class TextAudit {
public:
    int language = 0;
    QString screen;
    // Object names whose texts are data (remarks, file and camera names): no language check.
    QSet<QString> dataObjects = {QStringLiteral("lookInCombo")};  // the file dialogs' folder path
    std::vector<Finding> findings;

    // Shows `top`, checks it and hides it again.
    void checkShown(QWidget* top)
    {
        top->show();
        check(top);
        top->hide();
    }

    // Checks every visible widget of the shown window `top`.
    void check(QWidget* top)
    {
        QCoreApplication::processEvents();
        if (!top->isVisible()) {
            add(top, QString(), QStringLiteral("screen not shown"));
            return;
        }
        QList<QWidget*> widgets = top->findChildren<QWidget*>();
        widgets.prepend(top);
        for (QWidget* w : widgets) {
            if (!w->isVisible() || w->width() <= 0 || w->height() <= 0 || !w->window()->isVisible())
                continue;
            if (w->window() != top->window())
                continue;  // pop-ups are checked as screens of their own
            checkOnScreen(w);
            checkWidget(w);
        }
        checkPainted(top);
        // With MONITOR_SHOT_DIR set, each screen is also written there as a picture for a look.
        const QString shots = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
        if (!shots.isEmpty()) {
            QString file = screen;
            file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
            top->grab().save(QDir(shots).filePath(file + (language ? QStringLiteral("-en.png") : QStringLiteral("-zh.png"))));
        }
    }

    // Checks the shown modal widget, if any, then closes it.
    void checkModal(const QString& name)
    {
        QWidget* modal = QApplication::activeModalWidget();
        const QString saved = screen;
        screen = screen + QStringLiteral(" > ") + name;
        if (!modal) {
            findings.push_back({screen, QString(), QString(), QStringLiteral("dialog did not open"), language});
        } else {
            // The offscreen screen (800 x 600) shrinks a new window to fit it: the file dialogs get
            // back the size the program asked for on the panel's screen.
            if (qobject_cast<QFileDialog*>(modal))
                modal->setGeometry(QRect(0, 0, screenWidth, screenHeight).adjusted(25, 50, -25, -50));
            check(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->hide();
        }
        screen = saved;
    }

    // Set while a window placed beside the widget that opened it (a picker, a roller) is checked:
    // the window itself must lie wholly on the screen. Windows the program centres need only fit.
    bool placedBeside = false;
    int m_lists = 0;

    // A window placed beside the widget that opened it (a drop-down list) and its contents.
    void checkPlacedWindow(QWidget* window)
    {
        const bool saved = placedBeside;
        placedBeside = true;
        QList<QWidget*> widgets = window->findChildren<QWidget*>();
        widgets.prepend(window);
        for (QWidget* w : widgets)
            if (w->isVisible() && w->window() == window)
                checkOnScreen(w);
        placedBeside = saved;
    }

private:
    // Scrolled contents may lie outside their view: the view is checked, not them.
    static bool insideScrolledView(const QWidget* w)
    {
        for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
            const auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget());
            if (area && area->viewport() == p)
                return true;
        }
        return false;
    }

    // The main window fills the panel's screen (as recorded at start-up): what lies inside a
    // window lies on the screen when it lies inside its window, and the window lies on it. The
    // frame the offscreen platform draws around windows is no part of the panel.
    void checkOnScreen(const QWidget* w)
    {
        const QRect screen(0, 0, screenWidth, screenHeight);
        QString problem;
        if (w->isWindow()) {
            const QRect shown(w->frameGeometry().topLeft(), w->size());
            if (w->width() > screen.width() || w->height() > screen.height())
                problem = QStringLiteral("larger than the screen");
            else if (placedBeside && !screen.contains(shown))
                problem = QStringLiteral("past the screen's edge");
            if (!problem.isEmpty())
                add(w, QString(),
                    problem + QStringLiteral(": %1,%2 %3 x %4 on %5 x %6")
                                  .arg(shown.x())
                                  .arg(shown.y())
                                  .arg(shown.width())
                                  .arg(shown.height())
                                  .arg(screen.width())
                                  .arg(screen.height()));
            return;
        }
        if (insideScrolledView(w))
            return;
        const QWidget* window = w->window();
        const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
        if (!window->rect().contains(inWindow))
            add(w, QString(),
                QStringLiteral("past its window's edge: %1,%2 %3 x %4 in %5 x %6")
                    .arg(inWindow.x())
                    .arg(inWindow.y())
                    .arg(inWindow.width())
                    .arg(inWindow.height())
                    .arg(window->width())
                    .arg(window->height()));
    }

    bool isData(const QWidget* w) const
    {
        for (const QObject* o = w; o; o = o->parent())
            if (dataObjects.contains(o->objectName()))
                return true;
        return false;
    }

    static QString describe(const QWidget* w)
    {
        QString name = QString::fromLatin1(w->metaObject()->className());
        if (!w->objectName().isEmpty())
            return name + QLatin1Char('#') + w->objectName();
        for (const QObject* o = w->parent(); o; o = o->parent()) {
            if (!o->objectName().isEmpty() && !o->objectName().startsWith(QLatin1String("qt_")))
                return name + QStringLiteral(" in ") + QString::fromLatin1(o->metaObject()->className())
                    + QLatin1Char('#') + o->objectName();
        }
        return name + QStringLiteral(" in ") + QString::fromLatin1(w->window()->metaObject()->className());
    }

    void add(const QWidget* w, const QString& text, const QString& problem)
    {
        const QString object = w ? describe(w) : QString();
        for (const Finding& f : findings)
            if (f.screen == screen && f.object == object && f.text == text && f.problem == problem)
                return;
        findings.push_back({screen, object, text, problem, language});
    }

    void language_(const QWidget* w, const QString& text)
    {
        // The language pickers name Chinese in its own script, as a reader of it looks for it.
        static const QStringList ownScript = {QStringLiteral("简体中文"), QStringLiteral("繁體中文")};
        if (language == 1 && hasChinese(text) && !isData(w) && !ownScript.contains(text.trimmed()))
            add(w, text, QStringLiteral("Chinese in English"));
        // Qt's own dialogs (the folder chooser) take Qt's translation in Chinese: no English word.
        static const QRegularExpression latinWord(QStringLiteral("\\b[A-Za-z]{3,}\\b"));
        if (language == 0 && qobject_cast<const QFileDialog*>(w->window()) && !isData(w) && !hasChinese(text)
            && latinWord.match(text).hasMatch())
            add(w, text, QStringLiteral("English in Chinese"));
    }

    // `needed` against `room`; text elided by its widget counts as cut.
    void fit(const QWidget* w, const QString& text, const QSizeF& needed, const QRectF& room)
    {
        if (isData(w))
            return;
        if (text.contains(QChar(0x2026)))
            add(w, text, QStringLiteral("elided"));
        else if (needed.width() > room.width() + 1 || needed.height() > room.height() + 1)
            add(w, text,
                QStringLiteral("cut: needs %1 x %2, has %3 x %4")
                    .arg(qCeil(needed.width()))
                    .arg(qCeil(needed.height()))
                    .arg(qFloor(room.width()))
                    .arg(qFloor(room.height())));
    }

    // Width of the text and height of its ink: one line or several.
    static QSizeF lineSize(const QFont& font, const QString& text)
    {
        const QFontMetricsF fm(font);
        const QStringList lines = text.split(QLatin1Char('\n'));
        qreal width = 0;
        for (const QString& line : lines)
            width = qMax(width, fm.horizontalAdvance(line));
        const qreal ink = fm.tightBoundingRect(text.simplified().isEmpty() ? QStringLiteral("x") : text.simplified()).height();
        return {width, (lines.size() - 1) * fm.lineSpacing() + ink};
    }

    void checkWidget(QWidget* w)
    {
        if (auto* label = qobject_cast<QLabel*>(w))
            checkLabel(label);
        else if (auto* push = qobject_cast<QPushButton*>(w))
            checkPush(push);
        else if (auto* check = qobject_cast<QCheckBox*>(w))
            checkCheck(check);
        else if (auto* radio = qobject_cast<QRadioButton*>(w))
            checkRadio(radio);
        else if (auto* tool = qobject_cast<QToolButton*>(w))
            checkTool(tool);
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            checkCombo(combo);
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            checkTabs(tabs);
        else if (auto* header = qobject_cast<QHeaderView*>(w))
            checkHeader(header);
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            language_(group, group->title());
        else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (edit->text().isEmpty())
                language_(edit, edit->placeholderText());
        }
    }

    void checkLabel(QLabel* label)
    {
        if (!label->pixmap(Qt::ReturnByValue).isNull() || label->text().trimmed().isEmpty())
            return;
        // A label with a buddy shows its mnemonic underlined, without the '&'.
        const QString text = label->buddy() ? plainText(label->text()) : label->text();
        language_(label, text);
        const int m = label->margin();
        const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
        const bool rich = label->textFormat() == Qt::RichText
            || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
        if (rich) {
            QTextDocument doc;
            doc.setDefaultFont(label->font());
            doc.setDocumentMargin(0);
            doc.setHtml(text);
            if (label->wordWrap())
                doc.setTextWidth(room.width());
            fit(label, text, QSizeF(doc.idealWidth(), doc.size().height() - QFontMetricsF(label->font()).leading()), room);
            return;
        }
        if (label->wordWrap()) {
            const QFontMetricsF fm(label->font());
            const QRectF br = fm.boundingRect(QRectF(0, 0, room.width(), 100000), Qt::TextWordWrap | label->alignment(), text);
            // The last line counts by its ink, not its line spacing.
            const qreal ink = fm.tightBoundingRect(QStringLiteral("国Ag")).height();
            fit(label, text, QSizeF(br.width(), br.height() - fm.height() + ink), room);
            return;
        }
        fit(label, text, lineSize(label->font(), text), room);
    }

    void checkPush(QPushButton* button)
    {
        const QString text = plainText(button->text());
        if (text.trimmed().isEmpty())
            return;
        language_(button, text);
        QStyleOptionButton option;
        static_cast<PushAccess*>(button)->initStyleOption(&option);
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        QSizeF needed = lineSize(button->font(), text);
        if (!button->icon().isNull())
            needed.rwidth() += button->iconSize().width() + 4;
        fit(button, text, needed, room);
    }

    void checkCheck(QCheckBox* box)
    {
        const QString text = plainText(box->text());
        if (text.trimmed().isEmpty())
            return;
        language_(box, text);
        QStyleOptionButton option;
        static_cast<CheckAccess*>(box)->initStyleOption(&option);
        const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        fit(box, text, lineSize(box->font(), text), room);
    }

    void checkRadio(QRadioButton* box)
    {
        const QString text = plainText(box->text());
        if (text.trimmed().isEmpty())
            return;
        language_(box, text);
        QStyleOptionButton option;
        static_cast<RadioAccess*>(box)->initStyleOption(&option);
        const QRect room = box->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, box);
        fit(box, text, lineSize(box->font(), text), room);
    }

    void checkTool(QToolButton* button)
    {
        const QString text = plainText(button->text());
        if (text.trimmed().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return;
        language_(button, text);
        QSizeF needed = lineSize(button->font(), text);
        if (!button->icon().isNull() && button->toolButtonStyle() == Qt::ToolButtonTextBesideIcon)
            needed.rwidth() += button->iconSize().width() + 4;
        fit(button, text, needed, button->contentsRect());
    }

    void checkCombo(QComboBox* combo)
    {
        QStyleOptionComboBox option;
        static_cast<ComboAccess*>(combo)->initStyleOption(&option);
        const QRect room =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i) {
            const QString text = combo->itemText(i);
            if (text.trimmed().isEmpty())
                continue;
            language_(combo, text);
            QSizeF needed = lineSize(combo->font(), text);
            if (!combo->itemIcon(i).isNull())
                needed.rwidth() += combo->iconSize().width() + 4;
            fit(combo, text, needed, room);
        }
        checkComboSizes(combo);
    }

    // The text of the box and of its list at the kit's size at least; the list, opened, lies on
    // the screen with rows of the kit's height at least.
    void checkComboSizes(QComboBox* combo)
    {
        if (isData(combo) || combo->count() == 0)
            return;
        for (const QWidget* shown : {static_cast<const QWidget*>(combo), static_cast<const QWidget*>(combo->view())}) {
            const int pixels = QFontInfo(shown->font()).pixelSize();
            if (pixels < kKitSmallestTextPixels)
                add(combo, combo->currentText(),
                    QStringLiteral("%1 text of %2 px, under %3")
                        .arg(shown == combo ? QStringLiteral("box") : QStringLiteral("list"))
                        .arg(pixels)
                        .arg(kKitSmallestTextPixels));
        }
        combo->showPopup();
        QCoreApplication::processEvents();
        QAbstractItemView* view = combo->view();
        QWidget* popup = view->window();
        if (!popup->isVisible()) {
            add(combo, combo->currentText(), QStringLiteral("list did not open"));
            return;
        }
        checkPlacedWindow(popup);
        const QString shots = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
        if (!shots.isEmpty()) {
            QString file = screen + QStringLiteral(" list ") + combo->objectName() + QString::number(++m_lists);
            file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
            popup->grab().save(QDir(shots).filePath(file + (language ? QStringLiteral("-en.png") : QStringLiteral("-zh.png"))));
        }
        int lowest = INT_MAX;
        for (int row = 0; row < combo->count(); ++row) {
            const QRect rect = view->visualRect(view->model()->index(row, combo->modelColumn(), view->rootIndex()));
            if (rect.isValid())
                lowest = std::min(lowest, rect.height());
        }
        if (lowest < kKitSmallestRowPixels)
            add(combo, combo->currentText(),
                QStringLiteral("list rows of %1 px, under %2").arg(lowest).arg(kKitSmallestRowPixels));
        combo->hidePopup();
        QCoreApplication::processEvents();
    }

    void checkTabs(QTabBar* bar)
    {
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i))
                continue;
            const QString text = plainText(bar->tabText(i));
            if (text.trimmed().isEmpty())
                continue;
            language_(bar, text);
            QStyleOptionTab option;
            static_cast<TabAccess*>(bar)->initStyleOption(&option, i);
            const QRect room = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &option, bar);
            fit(bar, option.text != bar->tabText(i) ? option.text : text, lineSize(bar->font(), text), room);
        }
    }

    void checkHeader(QHeaderView* header)
    {
        QAbstractItemModel* model = header->model();
        if (!model)
            return;
        const int count = header->count();
        for (int logical = 0; logical < count; ++logical) {
            if (header->isSectionHidden(logical) || header->sectionSize(logical) <= 0)
                continue;
            const QString text = model->headerData(logical, header->orientation(), Qt::DisplayRole).toString();
            if (text.trimmed().isEmpty())
                continue;
            language_(header, text);
            const int position = header->sectionViewportPosition(logical);
            const QRect section = header->orientation() == Qt::Horizontal
                ? QRect(position, 0, header->sectionSize(logical), header->height())
                : QRect(0, position, header->width(), header->sectionSize(logical));
            if (!header->viewport()->rect().contains(section))
                continue;  // scrolled out of sight: a scroll, not a cut
            QStyleOptionHeader option;
            static_cast<HeaderAccess*>(header)->initStyleOption(&option);
            option.rect = section;
            option.section = logical;
            option.text = text;
            const QRect room = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
            QFont font = header->font();
            const QVariant modelFont = model->headerData(logical, header->orientation(), Qt::FontRole);
            if (modelFont.canConvert<QFont>())
                font = qvariant_cast<QFont>(modelFont);
            fit(header, text, lineSize(font, text), room);
        }
    }

    // Text the widgets paint, as the paint engine receives it: its ink inside the clip in force.
    void checkPainted(QWidget* top)
    {
        static PaintWatcher watcher;
        TextRecordingDevice device(top);
        qApp->installEventFilter(&watcher);
        top->render(&device, QPoint(), QRegion(), QWidget::DrawChildren);
        qApp->removeEventFilter(&watcher);
        for (const PaintedText& painted : device.engine().texts) {
            QWidget* w = painted.widget ? painted.widget.data() : top;
            // The contents of item views and edit fields scroll, and the rolling pickers show their
            // neighbouring numbers cut by the window on purpose: data, not captions.
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w->parentWidget())
                || w->inherits("RollingBoxY"))
                continue;
            language_(w, painted.text);
            if (isData(w))
                continue;
            if (painted.text.contains(QChar(0x2026))) {
                add(w, painted.text, QStringLiteral("elided"));
                continue;
            }
            if (painted.room.isNull())
                continue;
            const QRectF ink = painted.ink;
            const QRectF room = painted.room.adjusted(-1, -1, 1, 1);
            if (!room.contains(ink))
                add(w, painted.text,
                    QStringLiteral("painted text cut: ink %1,%2 %3 x %4 outside %5,%6 %7 x %8")
                        .arg(qRound(ink.x()))
                        .arg(qRound(ink.y()))
                        .arg(qRound(ink.width()))
                        .arg(qRound(ink.height()))
                        .arg(qRound(painted.room.x()))
                        .arg(qRound(painted.room.y()))
                        .arg(qRound(painted.room.width()))
                        .arg(qRound(painted.room.height())));
        }
    }
};

// Modal dialogs opened by `open` are checked from inside their exec(), then closed: the first is
// named `name`, any that follow it (a notice after a cancelled choice) "then 2", "then 3"...
void checkModalAfter(TextAudit& audit, const QString& name, const std::function<void()>& open)
{
    QTimer poll;
    int seen = 0;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        if (!QApplication::activeModalWidget())
            return;
        ++seen;
        audit.checkModal(seen == 1 ? name : name + QStringLiteral(", then %1").arg(seen));
    });
    poll.start(200);
    open();
    poll.stop();
    if (seen == 0)
        audit.findings.push_back({audit.screen + QStringLiteral(" > ") + name, QString(), QString(),
                                  QStringLiteral("dialog did not open"), audit.language});
}

// The range picker the display opens, and the time roller its start time field opens: each
// checked as a screen, its calendars' weekday names in the chosen language; both closed again.
void checkRangePicker(TextAudit& audit, FromTimeToTime* display)
{
    const QString screen = audit.screen;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        auto* picker = qobject_cast<DateTimeWidget*>(QApplication::activeModalWidget());
        if (!picker || seen)
            return;
        seen = true;
        audit.screen = screen + QStringLiteral(" > range picker");
        audit.placedBeside = true;
        audit.check(picker);
        for (auto* calendar : picker->findChildren<QCalendarWidget*>()) {
            auto* days = calendar->findChild<QAbstractItemView*>();
            const QString monday = days ? days->model()->index(0, 1).data().toString() : QString();
            if (hasChinese(monday) != (audit.language == 0))
                audit.findings.push_back({audit.screen, QStringLiteral("weekday names"), monday,
                                          QStringLiteral("not in the chosen language"), audit.language});
        }
        for (auto* field : picker->findChildren<_EditDateTime*>()) {
            if (field->kind() != 1)
                continue;
            QTest::mouseClick(field, Qt::LeftButton);
            QCoreApplication::processEvents();
            audit.screen = screen + QStringLiteral(" > range picker > time roller");
            if (openTimeRoller) {
                audit.check(openTimeRoller);
                openTimeRoller->close();
                openTimeRoller = nullptr;
            } else {
                audit.findings.push_back(
                    {audit.screen, QString(), QString(), QStringLiteral("dialog did not open"), audit.language});
            }
            break;
        }
        audit.screen = screen;
        audit.placedBeside = false;
        picker->reject();
    });
    poll.start(200);
    QTest::mouseClick(display, Qt::LeftButton);
    poll.stop();
    if (!seen)
        audit.findings.push_back({screen + QStringLiteral(" > range picker"), QString(), QString(),
                                  QStringLiteral("dialog did not open"), audit.language});
}

class ScreenTextsTest : public SettingsFixture {
protected:
    void TearDown() override
    {
        QCoreApplication::removeTranslator(&translator);
        delete qtTranslator;
        QLocale::setDefault(QLocale::system());
        screenWidth = savedWidth;
        screenHeight = savedHeight;
        SettingsFixture::TearDown();
    }

public:
    MoJuWizard* win() const { return window; }
    // The main window with `cameras` simulated cameras, built anew in the current language.
    void buildWindow(int cameras)
    {
        if (window && builtCameras == cameras && builtLanguage == currentLanguage) {
            window->show();
            return;
        }
        builtCameras = cameras;
        builtLanguage = currentLanguage;
        delete window;
        window = nullptr;
        mainWindow = nullptr;
        controlPort = nullptr;
        auto* prototype = new SimulateCamera;
        cameraDrivers.insert(prototype->iid(), prototype);
        qDeleteAll(cameraInfoList);
        cameraInfoList.clear();
        for (int i = 0; i < cameras; ++i) {
            auto* info = new CameraInfo;
            info->index = i;
            info->deviceNo = -1;
            info->iid = prototype->iid();
            cameraInfoList.append(info);
        }
        simulatedCameraFlag = 1;
        ModalAnswer::pressWhenShown(currentLanguage == 1 ? QStringLiteral("Cancel") : QStringLiteral("取消"));
        window = new MoJuWizard;
        // The panel's screen as the program records it at start (the offscreen screen is
        // smaller), with the main window filling it from its top left corner.
        screenWidth = 1920;
        screenHeight = 1080;
        window->setFixedSize(1920, 1080);
        window->setGeometry(0, 0, 1920, 1080);
        // The settings wizard and the hardware screen centre themselves on the screen at their
        // construction, which here met the offscreen screen: centred on the panel's instead.
        for (QWidget* centred : {static_cast<QWidget*>(window->wizardWidget), static_cast<QWidget*>(window->hardwareWidget)})
            centred->move((1920 - centred->width()) / 2, (1080 - centred->height()) / 2);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        QCoreApplication::processEvents();
    }

protected:
    int builtCameras = 0;
    int builtLanguage = -1;
    QTranslator translator;
    QTranslator* qtTranslator = nullptr;
    int savedWidth = screenWidth;
    int savedHeight = screenHeight;
};

struct Screen {
    const char* name;
    std::function<void(ScreenTextsTest&, TextAudit&)> walk;
};

TEST_F(ScreenTextsTest, EveryScreenFitsItsTextsAndSpeaksTheChosenLanguage)
{
    screenWidth = 1920;
    screenHeight = 1080;
    QDir().mkpath(QStringLiteral("images"));
    const QDir pictures(QStringLiteral(MONITOR_SOURCE_DIR "/samples/images"));
    for (const QString& file : pictures.entryList(QDir::Files))
        QFile::copy(pictures.filePath(file), QStringLiteral("images/") + file);
    loadSharedPixmaps();
    activeParams->passwordEnabled = 0;
    activeParams->statisticsEnabled = 1;
    activeParams->temperatureChartEnabled = 1;

    const Screen screens[] = {
        {"main window, 1 camera", [](ScreenTextsTest& t, TextAudit& a) { t.buildWindow(1); a.check(t.win()); }},
        {"main window, 2 cameras", [](ScreenTextsTest& t, TextAudit& a) { t.buildWindow(2); a.check(t.win()); }},
        {"main window, 4 cameras", [](ScreenTextsTest& t, TextAudit& a) { t.buildWindow(4); a.check(t.win()); }},
        {"main window, 8 cameras", [](ScreenTextsTest& t, TextAudit& a) { t.buildWindow(8); a.check(t.win()); }},
        {"message box, OK",
         [](ScreenTextsTest&, TextAudit& a) {
             tipbox box(1, nullptr, 600, 420);
             box.setText(QStringLiteral("text"));
             box.show();
             a.check(&box);
         }},
        {"question box",
         [](ScreenTextsTest&, TextAudit& a) {
             tipbox box(2, nullptr, 600, 420);
             box.setText(QStringLiteral("text"));
             box.show();
             a.check(&box);
         }},
        {"warning box",
         [](ScreenTextsTest&, TextAudit& a) {
             Warnbox box;
             box.setText(QStringLiteral("text"));
             box.show();
             a.check(&box);
         }},
        {"warning box with confirm",
         [](ScreenTextsTest&, TextAudit& a) {
             WarnBox box;
             box.setText(QStringLiteral("text"));
             box.show();
             a.check(&box);
         }},
        {"input box",
         [](ScreenTextsTest&, TextAudit& a) {
             inputbox box(0, nullptr);
             box.show();
             a.check(&box);
         }},
        {"password box",
         [](ScreenTextsTest&, TextAudit& a) {
             PasswordBox box;
             box.show();
             a.check(&box);
         }},
        {"choose box",
         [](ScreenTextsTest&, TextAudit& a) {
             ChooseBox box(nullptr, 600, 420);
             box.setText(QStringLiteral("text"));
             box.show();
             a.check(&box);
         }},
        {"calendar",
         [](ScreenTextsTest&, TextAudit& a) {
             CalendarWidget calendar;
             calendar.show();
             a.check(&calendar);
         }},
        {"range picker",
         [](ScreenTextsTest&, TextAudit& a) {
             DateTimeWidget picker;
             picker.show();
             a.check(&picker);
         }},
        {"clock picker",
         [](ScreenTextsTest&, TextAudit& a) {
             modifyTimeWidget picker;
             picker.show();
             a.check(&picker);
         }},
        {"alarm view",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             MoJuWizard* w = t.win();
             w->alarmState = 2;
             w->imagePicker->selectSource(1);
             w->imagePicker->selectCamera(w->shownCamera);
             w->regionPanel->enterEditMode(false);
             w->applyAlarmState(2);
             a.check(w);
             w->regionPanel->leaveEditMode();
             w->alarmState = 0;
             w->applyAlarmState(0);
             imageSource = -1;
         }},
        {"region editor",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             MoJuWizard* w = t.win();
             DrawROIWidget* panel = w->regionPanel;
             w->SlotAdjustArea();
             const QString screen = a.screen;
             a.screen = screen + QStringLiteral(", templates");
             a.check(w);
             panel->pCButtonEditArea->click();
             a.screen = screen + QStringLiteral(", regions");
             a.check(w);
             for (int source = 1; source < panel->pComboChangeSource->count(); ++source) {
                 panel->pComboChangeSource->setCurrentIndex(source);
                 a.screen = screen + QStringLiteral(", source %1").arg(source);
                 a.check(w);
             }
             a.screen = screen;
             panel->pComboChangeSource->setCurrentIndex(0);
             panel->pCButtonReturn->click();
             imageSource = -1;
         }},
        {"settings wizard",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             MoJuWizard* w = t.win();
             w->loginLevel = 2;
             activeParams->showFactoryParams = 1;
             *editParams = *activeParams;
             WizardParaWidget* wizard = w->wizardWidget;
             wizard->show();
             const QString screen = a.screen;
             const struct {
                 const char* name;
                 void (WizardParaWidget::*open)();
             } pages[] = {{"system", &WizardParaWidget::SlotToCommon},
                          {"camera", &WizardParaWidget::SlotToCamera},
                          {"input/output", &WizardParaWidget::SlotToIO},
                          {"advanced", &WizardParaWidget::SlotToAdvance},
                          {"records", &WizardParaWidget::SlotToRecord}};
             for (const auto& page : pages) {
                 (wizard->*page.open)();
                 a.screen = screen + QStringLiteral(", ") + QLatin1String(page.name);
                 a.check(wizard);
             }
             a.screen = screen + QStringLiteral(", IO dialog");
             a.checkShown(wizard->ioDialog);
             a.screen = screen + QStringLiteral(", clock");
             a.checkShown(wizard->modifyTimeDialog);
             a.screen = screen;
             wizard->hide();
             activeParams->showFactoryParams = 0;
         }},
        {"IO names",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             a.checkShown(t.win()->ioNameDialog);
         }},
        {"camera order",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             a.checkShown(t.win()->cameraOrderDialog);
         }},
        {"help",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             a.checkShown(t.win()->helpWidget);
         }},
        {"hardware",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             a.checkShown(t.win()->hardwareWidget);
         }},
        {"statistics",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             StatisticsWidget statistics(t.win());
             statistics.resetToToday();
             statistics.show();
             a.check(&statistics);
             checkRangePicker(a, statistics.rangePicker);
             checkModalAfter(a, QStringLiteral("export folder"), [&]() { statistics.exportData(); });
         }},
        {"temperature chart",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             TemperatureChartWidget chart(t.win());
             chart.resetToRealtime();
             chart.show();
             a.check(&chart);
             checkRangePicker(a, chart.rangePicker);
             checkModalAfter(a, QStringLiteral("export folder"), [&]() { chart.exportData(); });
         }},
        {"version library",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             VersionDownloadDialog dialog(t.win());
             dialog.show();
             a.check(&dialog);
         }},
        {"update file dialog",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             const QString mountPoint = QDir::current().filePath(QStringLiteral("scratch/usb"));
             QDir().mkpath(mountPoint);
             writeFile(mountPoint + QStringLiteral("/V1-update.tar.gz"), "package");
             qputenv("MONITOR_USB_MOUNT", mountPoint.toLocal8Bit());
             plugUsbDisk(mountPoint);
             a.dataObjects << QStringLiteral("lookInCombo");  // the folder shown: a path
             checkModalAfter(a, QStringLiteral("file dialog"), [&]() {
                 AdvanceParamWidget::updateFromUsbDisk(t.win(), 20, ServiceBoxes{[](const QString&) { return false; },
                                                                                  [](const QString&) { return 0; }});
             });
             ShellRunner::setDryRunResponder(nullptr);
             setMountsTable(QStringLiteral("/proc/mounts"));
             qputenv("MONITOR_USB_MOUNT", "/nonexistent/usb-mount");
         }},
        {"number keypad",
         [](ScreenTextsTest&, TextAudit& a) {
             // Placed in the window that holds its edit, as a tap on the edit places it.
             QWidget host;
             host.resize(800, 400);
             QLineEdit edit(&host);
             NumberKeyPad pad(&edit);
             pad.setParent(&host, pad.windowFlags());
             pad.move(0, edit.height());
             host.show();
             pad.show();
             a.check(&host);
         }},
        {"text keypad",
         [](ScreenTextsTest&, TextAudit& a) {
             NumCharInput pad;
             pad.show();
             a.check(&pad);
         }},
        {"number input",
         [](ScreenTextsTest&, TextAudit& a) {
             NumberInput pad;
             pad.show();
             a.check(&pad);
         }},
        {"time roller",
         [](ScreenTextsTest&, TextAudit& a) {
             _RollingTime roller;
             roller.show();
             a.check(&roller);
         }},
        {"touch calibration points",
         [](ScreenTextsTest&, TextAudit& a) {
             ChooseCaliNumWidget chooser;
             chooser.show();
             a.check(&chooser);
         }},
        {"settings dialog",
         [](ScreenTextsTest& t, TextAudit& a) {
             t.buildWindow(2);
             *editParams = *activeParams;
             SystemParamDialog dialog;
             dialog.show();
             const QString screen = a.screen;
             for (int tab = 0; tab < dialog.tabWidget()->count(); ++tab) {
                 dialog.tabWidget()->setCurrentIndex(tab);
                 a.screen = screen + QStringLiteral(", tab %1").arg(tab);
                 a.check(&dialog);
             }
             a.screen = screen;
         }},
    };

    std::vector<Finding> findings;
    for (int language : {0, 1}) {
        currentLanguage = language;
        // Qt's own texts and the locale, as the program sets them at start.
        delete qtTranslator;
        qtTranslator = installQtTranslator(qApp);
        if (language == 0) {
            ASSERT_NE(qtTranslator, nullptr);
        }
        if (language == 1) {
            ASSERT_TRUE(translator.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
            QCoreApplication::installTranslator(&translator);
            // The program takes a new language by restarting: the parameters, and the IO lamp
            // captions chosen with them, are read again in that language.
            ASSERT_TRUE(SystemParam::saveSysParams(*activeParams, QSqlQuery(store->queryIn)));
            ASSERT_TRUE(activeParams->loadSysParams(QSqlQuery(store->queryIn)));
            ASSERT_EQ(currentLanguage, 1);
        }
        for (const Screen& screen : screens) {
            TextAudit audit;
            audit.language = language;
            audit.screen = QString::fromUtf8(screen.name);
            if (!qEnvironmentVariableIsEmpty("MONITOR_SCREENS_TRACE"))
                fprintf(stderr, "screen: %s (%d)\n", screen.name, language);
            screen.walk(*this, audit);
            findings.insert(findings.end(), audit.findings.begin(), audit.findings.end());
        }
    }

    QStringList lines;
    for (const Finding& f : findings) {
        lines << QStringLiteral("[%1] %2 | %3 | \"%4\" | %5")
                     .arg(f.language == 1 ? QStringLiteral("en") : QStringLiteral("zh"), f.screen, f.object, f.text,
                          f.problem);
    }
    EXPECT_TRUE(lines.isEmpty()) << lines.size() << " offenders:\n" << lines.join(QLatin1Char('\n')).toStdString();
}

}  // namespace

// The unfolded zoom and pan column stands over the camera picture at the left and never over a
// result table, in each camera layout (with two cameras the tables lie below the pictures).
TEST_F(ScreenTextsTest, UnfoldedZoomButtonsLeaveTheResultTablesUncovered)
{
    screenWidth = 1920;
    screenHeight = 1080;
    QDir().mkpath(QStringLiteral("images"));
    const QDir pictures(QStringLiteral(MONITOR_SOURCE_DIR "/samples/images"));
    for (const QString& file : pictures.entryList(QDir::Files))
        QFile::copy(pictures.filePath(file), QStringLiteral("images/") + file);
    loadSharedPixmaps();
    for (int cameras : {1, 2, 4, 8}) {
        SCOPED_TRACE(cameras);
        buildWindow(cameras);
        MoJuWizard* w = win();
        w->zoomInButton->click();
        QCoreApplication::processEvents();
        const QList<ColorButton*> column = {w->zoomInButton, w->recoveryButton, w->zoomOutButton, w->panUpButton,
                                            w->panDownButton, w->panLeftButton, w->panRightButton};
        int shown = 0;
        for (ColorButton* button : column)
            shown += button->isVisible() ? 1 : 0;
        EXPECT_EQ(shown, 7);
        const QString shots = qEnvironmentVariable("MONITOR_SHOT_DIR");
        if (!shots.isEmpty())
            w->grab().save(QStringLiteral("%1/zoom-column-%2-cameras.png").arg(shots).arg(cameras));
        for (CameraReportForm* table : w->findChildren<CameraReportForm*>()) {
            if (!table->isVisible())
                continue;
            const QRect area(table->mapTo(w, QPoint(0, 0)), table->size());
            for (ColorButton* button : column)
                EXPECT_FALSE(button->geometry().intersects(area))
                    << button->geometry().x() << "," << button->geometry().y() << " over the table at " << area.x()
                    << "," << area.y();
        }
    }
}
