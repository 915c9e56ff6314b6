#include "widgets/ctypecom.h"
#include "widgets/dialogframe.h"
#include "widgets/dialogstyle.h"
#include "widgets/multiplebtngroup.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(DialogFrame, TitleBarContentAndOkButton)
{
    CComp_DialogFrame dialog(QStringLiteral("系统设置"));
    auto titleBar = dialog.findChild<QWidget*>(QStringLiteral("titleBar"));
    auto title = dialog.findChild<QLabel*>(QStringLiteral("labtitle"));
    auto content = dialog.findChild<QWidget*>(QStringLiteral("contentWgt"));
    auto ok = dialog.findChild<QPushButton*>(QStringLiteral("okBtn"));
    ASSERT_TRUE(titleBar && title && content && ok);
    EXPECT_EQ(title->text(), QStringLiteral("系统设置"));
    EXPECT_EQ(title->parentWidget(), titleBar);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_EQ(ok->size(), QSize(120, 60));
    EXPECT_EQ(dialog.minimumSize(), QSize(1000, 800));
    EXPECT_EQ(dialog.windowFlags() & ~Qt::WindowType_Mask, Qt::CustomizeWindowHint | Qt::FramelessWindowHint);

    dialog.show();
    EXPECT_EQ(titleBar->height(), 60);
    EXPECT_EQ(titleBar->geometry().top(), 0);
    EXPECT_EQ(content->geometry().top(), 60);
    EXPECT_EQ(ok->geometry().right(), titleBar->width() - 1) << "OK at the right of the title bar";
}

TEST(DialogFrame, PressingOkAcceptsBeforeTheRelease)
{
    CComp_DialogFrame dialog(QStringLiteral("t"));
    auto ok = dialog.okButton();
    QTimer::singleShot(0, ok, [ok]() { QTest::mousePress(ok, Qt::LeftButton); });
    // Should the press not end the dialog, this does, with the result 0.
    QTimer::singleShot(3000, &dialog, [&dialog]() { dialog.done(0); });
    EXPECT_EQ(dialog.exec(), 1);
}

TEST(DialogFrame, DraggingTheTitleBarLeavesTheDialogWhereItIs)
{
    CComp_DialogFrame dialog(QStringLiteral("t"));
    dialog.move(100, 50);
    dialog.show();
    const QPoint before = dialog.pos();
    QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(300, 30));
    QTest::mouseMove(&dialog, QPoint(500, 200));
    QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(500, 200));
    EXPECT_EQ(dialog.pos(), before);
}

TEST(MultipleBtnGroup, OneButtonPerCameraAndOneForAll)
{
    const struct {
        int cameras;
        QList<int> ids;
    } cases[] = {{1, {0}}, {4, {0, 1, 2, 3, -1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cameras);
        MultipleBtnGroup selector(c.cameras);
        auto group = selector.findChild<QButtonGroup*>(QStringLiteral("btnGroup"));
        ASSERT_TRUE(group);
        QList<int> ids;
        for (QAbstractButton* b : group->buttons()) {
            ids << group->id(b);
            EXPECT_EQ(b->size(), QSize(80, 40));
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(group->button(0)->text(), QStringLiteral("相机1"));
        EXPECT_EQ(group->button(0)->objectName(), QStringLiteral("button0"));
        if (c.cameras > 1) {
            EXPECT_EQ(group->button(-1)->text(), QStringLiteral("所有相机"));
            EXPECT_EQ(group->button(3)->text(), QStringLiteral("相机4"));
        }
    }
}

TEST(MultipleBtnGroup, MarkCurrentEnlargesAndDisablesTheCameraOnShow)
{
    QWidget bar;
    MultipleBtnGroup selector(4, &bar);
    MultipleBtnGroup::markCurrent(&bar, 2);
    auto marked = selector.findChild<QPushButton*>(QStringLiteral("button2"));
    EXPECT_EQ(marked->size(), QSize(100, 50));
    EXPECT_FALSE(marked->isEnabled());

    MultipleBtnGroup::markCurrent(&bar, 7);
    for (QPushButton* b : selector.findChildren<QPushButton*>())
        if (b != marked) {
            EXPECT_EQ(b->size(), QSize(80, 40));
            EXPECT_TRUE(b->isEnabled());
        }
}

TEST(LineEditStyle, FocusColourByType)
{
    const struct {
        int type;
        const char* focus;
    } cases[] = {{0, "#34495E"}, {1, "#1ABC9C"}, {2, "#3498DB"}, {3, "#E74C3C"}, {4, nullptr}, {-1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        QLineEdit edit;
        edit.setStyleSheet(QStringLiteral("QLineEdit{}"));
        C_Type_COM().setLineEditStyle(&edit, c.type);
        if (!c.focus) {
            EXPECT_EQ(edit.styleSheet(), QStringLiteral("QLineEdit{}"));
            continue;
        }
        EXPECT_EQ(edit.styleSheet(), QStringLiteral("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px "
                                                    "solid #DCE4EC;}QLineEdit:focus{border:2px solid %1;}")
                                         .arg(QLatin1String(c.focus)));
    }
}

TEST(DialogStyle, SharedSheetPlusTheCallersRules)
{
    const QString sheet = sharedDialogStyleSheet();
    EXPECT_EQ(sheet.length(), 2595);
    EXPECT_TRUE(sheet.startsWith(QLatin1String("QWidget{background-color: #1E1E1E;outline:0px;border:none;}QWidget#titleBar{")));
    EXPECT_TRUE(sheet.endsWith(QLatin1String("QLineEdit:!focus{border: 1px solid #959595;background:transparent;color:white;}"
                                             "QLineEdit:focus{background:white;color:black;}")));
    EXPECT_TRUE(sheet.contains(QLatin1String("QCheckBox::indicator::checked {width: 24px;height: 24px;image: url(:/Checked.png);}")));
    EXPECT_EQ(sheet.count(QLatin1Char('{')), 34);

    QWidget widget;
    applyDialogStyle(&widget, QStringLiteral("QLabel{color:red;}"));
    EXPECT_EQ(widget.styleSheet(), sheet + QStringLiteral("QLabel{color:red;}"));
}

TEST(DialogStyle, TransparentTabStyle)
{
    QDialog dialog;
    QTabWidget tabs(&dialog);
    setTransparentTabStyle(&dialog, &tabs);
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(dialog.styleSheet(), QStringLiteral("QWidget#titleBar{background-color: transparent;outline: 0px;}"
                                                  "QLabel{color: transparent;}QPushButton#okBtn{background-color: "
                                                  "transparent;color: transparent;}"));
    EXPECT_TRUE(tabs.styleSheet().startsWith(QLatin1String("QTabWidget::pane{border: none;background-color: transparent;")));
    EXPECT_TRUE(tabs.styleSheet().endsWith(QLatin1String("border: 1px solid transparent;top: 10px;}")));
}

TEST(DialogStyle, ColorText)
{
    EXPECT_EQ(colorText(QStringLiteral("red"), QStringLiteral("NG")), QStringLiteral("<font style='color:red;'>NG</font>"));
}

}  // namespace
