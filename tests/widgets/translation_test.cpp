// The English translation built from our .ts: every title and caption the kit passes through tr
// has its English text, and the kit's widgets show it once the translator is installed.
#include "detection/tooltype.h"
#include "widgets/cancelbtn.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"
#include "widgets/multiplebtngroup.h"
#include "widgets/numberkeypad.h"
#include "widgets/okbtn.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

const char* const kBuiltTranslation = MONITOR_BINARY_DIR "/Translator/tr_en.qm";

// Installs the built English translation for the lifetime of the object.
class EnglishTranslation {
public:
    EnglishTranslation()
    {
        m_installed = m_translator.load(QString::fromUtf8(kBuiltTranslation))
            && QCoreApplication::installTranslator(&m_translator);
    }
    ~EnglishTranslation()
    {
        if (m_installed)
            QCoreApplication::removeTranslator(&m_translator);
    }
    bool installed() const { return m_installed; }
    QString translate(const char* context, const char* source) const { return m_translator.translate(context, source); }

private:
    QTranslator m_translator;
    bool m_installed = false;
};

}  // namespace

TEST(EnglishTranslation, EveryKitTextHasItsEnglish)
{
    ASSERT_TRUE(QFile::exists(QString::fromUtf8(kBuiltTranslation))) << kBuiltTranslation;
    EnglishTranslation english;
    ASSERT_TRUE(english.installed());
    const struct {
        const char* context;
        const char* source;
        const char* english;
    } cases[] = {
        {"okbtn", "确定", "Confirm"},
        {"cancelbtn", "取消", "Cancel"},
        {"tipbox", "提示", "Notice"},
        {"Warnbox", "警告提示", "Warning"},
        {"inputbox", "输入框", "Input"},
        {"inputbox", "请输入密码", "Please enter the password"},
        {"PasswordBox", "输入框", "Input"},
        {"NumberKeyPad", "退格", "BS"},
        {"NumberKeyPad", "确定", "Confirm"},
        {"RollingBoxY", "时", "h"},
        {"RollingBoxY", "分", "m"},
        {"RollingBoxY", "秒", "s"},
        {"DateTimeWidget", "开始日期", "Start date"},
        {"DateTimeWidget", "开始时间", "Start time"},
        {"DateTimeWidget", "结束日期", "End date"},
        {"DateTimeWidget", "结束时间", "End time"},
        {"DateTimeWidget", "清空", "Clear"},
        {"DateTimeWidget", "确定", "Confirm"},
        {"DateTimeWidget", "日期检索错误!\n是否重新检索", "Date range error!\nSearch again?"},
        {"FromTimeToTime", "开始日期", "Start date"},
        {"FromTimeToTime", "结束日期", "End date"},
        {"modifyTimeWidget", "修改日期", "Set date"},
        {"modifyTimeWidget", "修改时间", "Set time"},
        {"modifyTimeWidget", "确定", "Confirm"},
        {"MultipleBtnGroup", "相机%1", "Camera%1"},
        {"MultipleBtnGroup", "所有相机", "All Camera"},
        {"CammerWidget", "缺陷检测", "Defect"},
        {"CameraReportForm_Model", "检测值", "Value"},
        {"CameraWgt_DataWidget", "此相机未启用！", "This camera is not enabled!"},
        {"CameraWgt_DataWidget_Title", "%1号相机 %2 %3", "Camera%1 %2 %3"},
        {"CameraWgt_DataWidget_Title", "左模腔", "Left Cavity"},
        {"CameraWgt_DataWidget_Title_Normal", "总数 ", "Total "},
        {"CameraWgt_DataWidget_Title_SetROI", "图片信息", "Image Info"},
        {"CammerWidget", "斑点检测", "Spot Det"},
        {"CammerWidget", "相机%1，重连成功", "Camera %1 reconnected"},
        {"CComp_DialogFrame", "确定", "Confirm"},
        {"CalendarWidget", "yyyy年MM月dd日", "yyyy-MM-dd"},
        {"MoJuWizard", "温度波形图未启用\n请前往高级参数设置",
         "The temperature chart is off.\nPlease turn it on in the advanced parameters."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(english.translate(c.context, c.source), QString::fromUtf8(c.english)) << c.context << " " << c.source;
}

TEST(EnglishTranslation, KitWidgetsShowTheEnglishOnceInstalled)
{
    EnglishTranslation english;
    ASSERT_TRUE(english.installed());
    okbtn ok;
    cancelbtn cancel;
    EXPECT_EQ(ok.text(), QStringLiteral("Confirm"));
    EXPECT_EQ(cancel.text(), QStringLiteral("Cancel"));

    MultipleBtnGroup group(2, nullptr);
    auto first = group.findChild<QPushButton*>(QStringLiteral("button0"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(), QStringLiteral("Camera1"));

    NumberKeyPad pad(nullptr);
    EXPECT_EQ(pad.backspaceKey()->text(), QStringLiteral("BS"));
    EXPECT_EQ(pad.okKey()->text(), QStringLiteral("Confirm"));

    EXPECT_EQ(toolTypeName(1), QStringLiteral("Spot Det"));
}
