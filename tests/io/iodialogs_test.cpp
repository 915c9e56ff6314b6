// The two IO dialogs of the settings wizard: the multi-detection IO dialog (stored values read
// with their repairs, exclusion of columns between detections, trigger order, count changes,
// what confirming writes) and the IO names dialog (name tables, what it writes and relabels).
#include "io/customionamewidget.h"
#include "io/iocheckcombo.h"
#include "io/ionames.h"
#include "io/iowidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/warnbox.h"
#include "tests/support/modalanswer.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << '(' << p.x() << ", " << p.y() << ')';
}
QT_END_NAMESPACE

// Stands in for the settings wizard: the parent of the multi-detection dialog, whose page the
// dialog's confirmation switches back.
class FakeWizard : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;
    int pageChanges = 0;

public slots:
    void DoChangePage() { ++pageChanges; }
};

namespace {

QStringList itemsOf(const QComboBox* combo)
{
    QStringList items;
    for (int k = 0; k < combo->count(); ++k)
        items << combo->itemText(k);
    return items;
}

// The boxes of the shown rows and columns, one string per row: 'X' checked, 'o' checkable,
// '-' not checkable (gray).
std::vector<std::string> boxMatrix(const IOWidget& w)
{
    std::vector<std::string> rows;
    const int n = w.detectCount;
    for (int i = 0; i < n; ++i) {
        std::string r;
        for (int j = 0; j < n; ++j) {
            const CheckBox* box = w.row(i)->checkBox(j);
            r += box->isCheckedState() ? 'X' : box->isCheckable() ? 'o' : '-';
        }
        rows.push_back(r);
    }
    return rows;
}

std::vector<int> columnRows(const IOWidget& w)
{
    return std::vector<int>(std::begin(w.columnRow), std::end(w.columnRow));
}

class IODialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (tableText(499).isEmpty())
            fillTextTable();
        currentLanguage = 0;
        active = std::make_unique<SystemParam>();
        edit = std::make_unique<SystemParam>();
        activeParams = active.get();
        editParams = edit.get();
        // A fresh record gives every column to detection 0; the tests start from free columns.
        std::fill(std::begin(active->multiDetectColumnRow), std::end(active->multiDetectColumnRow), -1);
        host.resize(1920, 1080);
    }
    void TearDown() override
    {
        activeParams = nullptr;
        editParams = nullptr;
        currentLanguage = 0;
    }

    // The wizard with its multi-detection dialog, built from the active record as it is now.
    IOWidget* makeDialog()
    {
        wizard = new FakeWizard(&host);
        wizard->resize(1800, 950);
        return new IOWidget(wizard);
    }
    void setCount(IOWidget* w, int n) { w->countCombo()->setCurrentIndex(n - 2); }
    void click(IOWidget* w, int row, int column) { w->row(row)->checkBox(column)->click(); }

    QWidget host;  // the main window
    FakeWizard* wizard = nullptr;
    std::unique_ptr<SystemParam> active;
    std::unique_ptr<SystemParam> edit;
};

using MultiDetectDialog = IODialogTest;
using IONamesDialog = IODialogTest;

TEST_F(MultiDetectDialog, BuiltHiddenWithItsControls)
{
    IOWidget* w = makeDialog();
    EXPECT_FALSE(w->isVisibleTo(wizard));
    EXPECT_EQ(w->geometry(), QRect(0, 0, 1800, 950));
    EXPECT_EQ(w->countCombo()->geometry(), QRect(40, 30, 150, 40));
    EXPECT_EQ(itemsOf(w->countCombo()), (QStringList{ "2次检测", "3次检测", "4次检测", "5次检测", "6次检测", "7次检测", "8次检测" }));
    EXPECT_EQ(w->confirmButton()->text(), "确定");
    EXPECT_EQ(w->confirmButton()->geometry(), QRect(1550, 855, 200, 75));
    EXPECT_EQ(w->resetButton()->text(), "复位");
    EXPECT_EQ(w->resetButton()->geometry(), QRect(1320, 855, 200, 75));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(w->row(i)->pos(), QPoint(30, 100 + 70 * i));
        EXPECT_EQ(itemsOf(w->row(i)->cutCombo()), (QStringList{ "全切", "切自身", "不切" }));
    }
    // A dialog in a larger parent sits in its centre.
    QWidget big;
    big.resize(2000, 1000);
    IOWidget centred(&big);
    EXPECT_EQ(centred.pos(), QPoint(100, 25));
}

struct StoredCase {
    const char* name;
    int count;
    std::vector<int> triggers;    // multiDetectTrigger 0..
    std::vector<int> columnRow;   // multiDetectColumnRow 0..
    std::vector<int> cutModes;    // multiDetectCutMode 0..
    // What the dialog shows and writes back.
    int shownCount;
    std::vector<int> shownTriggers;
    std::vector<int> shownColumnRow;
    std::vector<int> shownCutModes;
};

TEST_F(MultiDetectDialog, ReadsStoredValuesAndRepairsThoseItCannotShow)
{
    const StoredCase cases[] = {
        { "valid settings", 3, { 0, 1, 2 }, { 0, 1, 2 }, { 0, 1, 2 }, 3, { 0, 1, 2 }, { 0, 1, 2 }, { 0, 1, 2 } },
        { "one detection owns two columns", 3, { 0, 0, 1 }, { 0, 0, 2 }, { 1, 1, 1 }, 3, { 0, 0, 1 }, { 0, 0, 2 }, { 1, 1, 1 } },
        { "trigger before the previous detection's is raised to it", 3, { 2, 0, 1 }, { 0, 1, 2 }, {}, 3, { 2, 2, 2 }, { 0, 1, 2 }, {} },
        { "negative trigger becomes the first input", 4, { -4, -1, 1, 3 }, { 0, 1, 2, 3 }, {}, 4, { 0, 0, 1, 3 }, { 0, 1, 2, 3 }, {} },
        { "trigger beyond the offered inputs becomes the last", 3, { 9, 40, 1 }, { 0, 1, 2 }, {}, 3, { 2, 2, 2 }, { 0, 1, 2 }, {} },
        { "column rows outside the list are dropped", 3, { 0, 1, 2 }, { 12, -7, 2 }, {}, 3, { 0, 1, 2 }, { -1, -1, 2 }, {} },
        { "column owned by a detection beyond the count is dropped", 3, { 0, 1, 2 }, { 5, 1, 2 }, {}, 3, { 0, 1, 2 }, { -1, 1, 2 }, {} },
        { "columns beyond the count are dropped", 2, { 0, 1 }, { 0, 1, 1, 0 }, {}, 2, { 0, 1 }, { 0, 1, -1, -1 }, {} },
        { "an earlier detection after a later one's column is dropped", 3, { 0, 1, 2 }, { 2, 0, 2 }, {}, 3, { 0, 1, 2 }, { 2, -1, 2 }, {} },
        { "cut modes outside the list are clamped", 3, { 0, 1, 2 }, { 0, 1, 2 }, { -1, 3, 70 }, 3, { 0, 1, 2 }, { 0, 1, 2 }, { 0, 2, 2 } },
        { "count above 8 is clamped", 11, {}, { 0, 1, 2, 3, 4, 5, 6, 7 }, {}, 8, {}, { 0, 1, 2, 3, 4, 5, 6, 7 }, {} },
    };
    for (const StoredCase& c : cases) {
        *active = SystemParam();
        *edit = SystemParam();
        active->multiDetectCount = c.count;
        for (int i = 0; i < 10; ++i) {
            active->multiDetectTrigger[i] = i < int(c.triggers.size()) ? c.triggers[size_t(i)] : 0;
            active->multiDetectColumnRow[i] = i < int(c.columnRow.size()) ? c.columnRow[size_t(i)] : -1;
            active->multiDetectCutMode[i] = i < int(c.cutModes.size()) ? c.cutModes[size_t(i)] : 0;
        }
        IOWidget* w = makeDialog();
        ASSERT_EQ(w->detectCount, c.shownCount) << c.name;
        EXPECT_EQ(w->countCombo()->currentIndex(), c.shownCount - 2) << c.name;
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(w->row(i)->isVisibleTo(w), i < c.shownCount) << c.name << ", row " << i;
            if (i < int(c.shownTriggers.size())) {
                IOCheckComBO* r = w->row(i);
                EXPECT_EQ(r->trigger, c.shownTriggers[size_t(i)]) << c.name << ", row " << i;
                EXPECT_EQ(r->triggerCombo()->currentIndex(), r->trigger - r->firstInput) << c.name << ", row " << i;
                EXPECT_EQ(r->triggerCombo()->currentText(), ioInputName(w->inputNameIdx[r->trigger])) << c.name << ", row " << i;
            }
            const int shownColumn = i < int(c.shownColumnRow.size()) ? c.shownColumnRow[size_t(i)] : -1;
            EXPECT_EQ(w->columnRow[i], shownColumn) << c.name << ", column " << i;
            if (shownColumn >= 0) {
                EXPECT_TRUE(w->row(shownColumn)->checkBox(i)->isCheckedState()) << c.name << ", column " << i;
            }
            if (i < int(c.shownCutModes.size())) {
                EXPECT_EQ(w->cutMode[i], c.shownCutModes[size_t(i)]) << c.name << ", row " << i;
                EXPECT_EQ(w->row(i)->cutCombo()->currentIndex(), c.shownCutModes[size_t(i)]) << c.name;
            }
        }

        // Confirming writes what the dialog shows into the edit record, not the active one.
        const SystemParam before = *active;
        w->accept();
        EXPECT_EQ(edit->multiDetectCount, c.shownCount) << c.name;
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(edit->multiDetectColumnRow[i], w->columnRow[i]) << c.name;
            EXPECT_EQ(edit->multiDetectTrigger[i], w->row(i)->trigger) << c.name;
            EXPECT_EQ(edit->multiDetectCutMode[i], w->cutMode[i]) << c.name;
        }
        EXPECT_TRUE(*active == before) << c.name;
        EXPECT_EQ(wizard->pageChanges, 1) << c.name;
        delete wizard;
    }
}

TEST_F(MultiDetectDialog, LaterDetectionsOwnLaterColumns)
{
    IOWidget* w = makeDialog();
    setCount(w, 4);
    using M = std::vector<std::string>;
    EXPECT_EQ(boxMatrix(*w), (M{ "oooo", "oooo", "oooo", "oooo" }));

    click(w, 1, 1);
    EXPECT_EQ(boxMatrix(*w), (M{ "o---", "oXoo", "--oo", "--oo" }));
    EXPECT_EQ(w->columnRow[1], 1);
    // A gray box cannot be checked.
    click(w, 0, 2);
    EXPECT_EQ(boxMatrix(*w), (M{ "o---", "oXoo", "--oo", "--oo" }));
    EXPECT_EQ(w->columnRow[2], -1);

    click(w, 3, 3);
    EXPECT_EQ(boxMatrix(*w), (M{ "o---", "oXo-", "--o-", "--oX" }));
    // Unchecking one column frees its boxes but keeps what the other owned columns forbid.
    click(w, 1, 1);
    EXPECT_EQ(boxMatrix(*w), (M{ "ooo-", "ooo-", "ooo-", "oooX" }));
    EXPECT_EQ(columnRows(*w), (std::vector<int>{ -1, -1, -1, 3, -1, -1, -1, -1, -1, -1 }));

    click(w, 0, 0);
    click(w, 2, 2);
    EXPECT_EQ(boxMatrix(*w), (M{ "Xo--", "-o--", "-oX-", "---X" }));
    w->reset();
    EXPECT_EQ(boxMatrix(*w), (M{ "oooo", "oooo", "oooo", "oooo" }));
    EXPECT_EQ(columnRows(*w), std::vector<int>(10, -1));
}

TEST_F(MultiDetectDialog, GrayBoxesAreDrawnGrayAndFreeOnesYellow)
{
    IOWidget* w = makeDialog();
    setCount(w, 3);
    click(w, 1, 1);
    const auto colour = [&](int r, int c) { return w->row(r)->checkBox(c)->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(0, 1), QColor(Qt::gray));
    EXPECT_EQ(colour(0, 0), QColor(Qt::yellow));
    click(w, 1, 1);
    EXPECT_EQ(colour(0, 1), QColor(Qt::yellow));
}

TEST_F(MultiDetectDialog, TriggerInputsNeverDecreaseFromOneDetectionToTheNext)
{
    IOWidget* w = makeDialog();
    setCount(w, 4);
    const auto offered = [&](int row) { return itemsOf(w->row(row)->triggerCombo()); };
    EXPECT_EQ(offered(0), (QStringList{ "开模到位", "开模到位", "开模到位", "开模到位" })) << "every input named 0 by default";

    // Row 0 triggered by input 2: the later rows offer only inputs 2 and 3.
    w->row(0)->triggerCombo()->setCurrentIndex(2);
    for (int r = 1; r < 4; ++r) {
        EXPECT_EQ(w->row(r)->firstInput, 2) << "row " << r;
        EXPECT_EQ(w->row(r)->trigger, 2) << "row " << r;
        EXPECT_EQ(w->row(r)->triggerCombo()->count(), 2) << "row " << r;
    }
    // Row 1 on input 3 pushes rows 2 and 3 to input 3 alone.
    w->row(1)->triggerCombo()->setCurrentIndex(1);
    EXPECT_EQ(w->row(1)->trigger, 3);
    EXPECT_EQ(w->row(3)->trigger, 3);
    EXPECT_EQ(w->row(3)->triggerCombo()->count(), 1);
    // Back to input 0 on row 0: row 1 keeps its later input and offers all four again.
    w->row(0)->triggerCombo()->setCurrentIndex(0);
    EXPECT_EQ(w->row(1)->trigger, 3);
    EXPECT_EQ(w->row(1)->triggerCombo()->count(), 4);
    EXPECT_EQ(w->row(1)->triggerCombo()->currentIndex(), 3);
}

TEST_F(MultiDetectDialog, TriggerItemsAndColumnsCarryTheChosenNames)
{
    const int inputNames[10] = { 12, 0, 20, -3, 0, 0, 0, 0, 0, 0 };  // 20 and -3 are out of the table
    const int outputNames[10] = { 12, 0, 1, 99, 0, 0, 0, 0, 0, 0 };
    for (int i = 0; i < 10; ++i) {
        active->inputNameIndex[i] = inputNames[i];
        active->outputNameIndex[i] = outputNames[i];
    }
    IOWidget* w = makeDialog();
    setCount(w, 4);
    EXPECT_EQ(itemsOf(w->row(0)->triggerCombo()), (QStringList{ "中子B进", "开模到位", "中子C退", "开模到位" }));
    // Columns stand for outputs 1 .. n - 1, the last for output 0.
    const QStringList labels{ "允许合模", "允许顶针", "机手动作", "允许移模" };
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(w->row(2)->checkBox(j)->text(), labels[j]) << "column " << j;
    setCount(w, 2);
    EXPECT_EQ(w->row(0)->checkBox(1)->text(), "允许移模");
}

TEST_F(MultiDetectDialog, FewerDetectionsHideRowsAndBoxesAndDropTheirColumns)
{
    IOWidget* w = makeDialog();
    setCount(w, 5);
    click(w, 0, 0);
    click(w, 2, 2);
    click(w, 4, 4);
    setCount(w, 3);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(w->row(i)->isVisibleTo(w), i < 3) << "row " << i;
        for (int j = 0; j < 10; ++j)
            EXPECT_EQ(w->row(i)->checkBox(j)->isVisibleTo(w), j < 3 && i < 3) << i << "," << j;
    }
    EXPECT_EQ(columnRows(*w), (std::vector<int>{ 0, -1, 2, -1, -1, -1, -1, -1, -1, -1 }));
    EXPECT_EQ(boxMatrix(*w), (std::vector<std::string>{ "Xo-", "-o-", "-oX" }));
    EXPECT_FALSE(w->row(4)->checkBox(4)->isCheckedState());
    // Back to 5: the dropped column stays free.
    setCount(w, 5);
    EXPECT_EQ(w->columnRow[4], -1);
    EXPECT_EQ(boxMatrix(*w), (std::vector<std::string>{ "Xo---", "-o---", "-oXoo", "---oo", "---oo" }));
}

TEST_F(MultiDetectDialog, ConfirmingWithoutAnOwnerOfTheLastColumnIsRefused)
{
    IOWidget* w = makeDialog();
    setCount(w, 3);
    click(w, 0, 0);
    click(w, 1, 1);
    host.show();
    w->show();
    const SystemParam before = *edit;
    bool warned = false;
    // Answered whenever it comes: a timer armed for a moment could fire before the box is up.
    ModalAnswer::whenShown(
        [&warned](QWidget* modal) {
            auto* box = qobject_cast<Warnbox*>(modal);
            if (!box)
                return false;
            warned = true;
            box->acceptDialog();
            return true;
        },
        QStringLiteral("the warning"));
    w->confirmButton()->click();
    EXPECT_TRUE(warned);
    EXPECT_TRUE(*edit == before) << "nothing is written";
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(wizard->pageChanges, 0);

    // Cut modes chosen on the rows travel with the confirmation.
    w->row(1)->cutCombo()->setCurrentIndex(2);
    click(w, 2, 2);
    w->confirmButton()->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(wizard->pageChanges, 1);
    EXPECT_EQ(edit->multiDetectCount, 3);
    EXPECT_EQ(edit->multiDetectCutMode[1], 2);
    EXPECT_EQ(edit->multiDetectColumnRow[2], 2);
}

TEST_F(IONamesDialog, HeadingsAndNameListsInEachLanguage)
{
    struct Case {
        int language;
        QString firstInputHeading, lastOutputHeading, firstInput, lastOutput;
    };
    const Case cases[] = {
        { 0, "输入 1", "输出 11", "开模到位", "机手动作" },
        { 1, "Input 1", "Output 11", "Mol op", "Mac mov" },
        { 2, "輸入 1", "輸出 11", "開模到位", "機手動作" },
        { 3, "入力 1", "出力 11", "Mol op", "Mac mov" },
    };
    for (const Case& c : cases) {
        currentLanguage = c.language;
        CustomIONameWidget dialog(&host);
        EXPECT_EQ(dialog.inputHeading(0)->text(), c.firstInputHeading);
        EXPECT_EQ(dialog.outputHeading(9)->text(), c.lastOutputHeading);
        EXPECT_EQ(dialog.inputCombo(3)->count(), 16);
        EXPECT_EQ(dialog.outputCombo(3)->count(), 14);
        EXPECT_EQ(dialog.inputCombo(3)->itemText(0), c.firstInput);
        EXPECT_EQ(dialog.outputCombo(3)->itemText(13), c.lastOutput);
    }
    currentLanguage = 0;
    CustomIONameWidget dialog(&host);
    EXPECT_EQ(dialog.inputHeading(1)->text(), "输入 3") << "the headings skip input 2";
    EXPECT_EQ(dialog.outputHeading(2)->text(), "输出 4") << "and output 3";
    EXPECT_EQ(dialog.inputHeading(0)->size(), QSize(180, 60));
    EXPECT_EQ(dialog.confirmButton()->text(), "确定");
    EXPECT_EQ(dialog.confirmButton()->size(), QSize(180, 70));
}

TEST_F(IONamesDialog, LoadsTheWorkingNamesWithStoredIndicesBroughtIntoTheTables)
{
    struct Case {
        const char* name;
        int storedInput, storedOutput, shownInput, shownOutput;
    };
    const Case cases[] = {
        { "in the tables", 12, 5, 12, 5 },
        { "last entries", 15, 13, 15, 13 },
        { "beyond the tables", 16, 14, 15, 13 },
        { "far beyond", 400, 1000, 15, 13 },
        { "negative", -1, -20, 0, 0 },
    };
    for (bool withDialog : { true, false }) {
        for (const Case& c : cases) {
            active->inputNameIndex[4] = c.storedInput;
            active->outputNameIndex[7] = c.storedOutput;
            QWidget mainWindowStandIn;
            if (withDialog)
                new IOWidget(new FakeWizard(&mainWindowStandIn));
            CustomIONameWidget dialog(&mainWindowStandIn);
            dialog.load();
            EXPECT_EQ(dialog.inputCombo(4)->currentIndex(), c.shownInput) << c.name << (withDialog ? "" : ", no IO dialog");
            EXPECT_EQ(dialog.outputCombo(7)->currentIndex(), c.shownOutput) << c.name << (withDialog ? "" : ", no IO dialog");
        }
    }
}

TEST_F(IONamesDialog, ConfirmWritesTheEditCopyRelabelsAndReturnsToTheWizard)
{
    IOWidget* io = makeDialog();
    wizard->hide();
    CustomIONameWidget dialog(&host);
    dialog.load();
    host.show();
    dialog.show();
    const QPoint centred((1920 - dialog.width()) / 2, (1080 - dialog.height()) / 2);
    EXPECT_LE((dialog.pos() - centred).manhattanLength(), 2) << "centred on the main window";

    dialog.inputCombo(0)->setCurrentText("中子B进");
    dialog.outputCombo(1)->setCurrentIndex(8);
    const SystemParam activeBefore = *active;
    QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);

    EXPECT_EQ(edit->inputNameIndex[0], 12);
    EXPECT_EQ(edit->outputNameIndex[1], 8);
    EXPECT_TRUE(*active == activeBefore) << "the active copy waits for the wizard's own confirmation";
    EXPECT_EQ(io->inputNameIdx[0], 12);
    EXPECT_EQ(io->outputNameIdx[1], 8);
    EXPECT_EQ(io->row(0)->triggerCombo()->itemText(0), "中子B进");
    EXPECT_EQ(io->row(0)->checkBox(0)->text(), "允许绞牙");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(wizard->isVisible());
}

}  // namespace

#include "iodialogs_test.moc"
