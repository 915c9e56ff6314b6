// Templates, ignore masks and test images on disk: a picture cut short is refused and named, never
// read as whatever memory held; a write cut at any instant leaves the earlier file byte for byte
// and no temporary file for the next start.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "tests/support/filesizelimit.h"
#include "tests/view/bmpwriter.h"
#include "tests/view/viewcamera.h"
#include "view/cammerwidget.h"
#include "view/framefile.h"
#include "view/templatefile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMutex>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void cutTo(const QString& path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(size));
}

// Every Qt message while it exists.
class Messages {
public:
    Messages() { s_previous = qInstallMessageHandler(&Messages::handler); }
    ~Messages() { qInstallMessageHandler(s_previous); }
    QStringList texts() const
    {
        QMutexLocker lock(&s_mutex);
        return s_texts;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        {
            QMutexLocker lock(&s_mutex);
            s_texts << text;
        }
        if (s_previous)
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline QMutex s_mutex;
    static inline QStringList s_texts;
};

class PictureFiles : public ::testing::Test {
protected:
    // Large enough that a third of a file reaches past the header and palette into the rows.
    static constexpr int W = 120;
    static constexpr int H = 90;

    void SetUp() override
    {
        fillTextTable();
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        savedLimit = templateCountLimit;
        savedDetects = detectsPerCamera;
        templateCountLimit = 3;
        detectsPerCamera = 2;
    }
    void TearDown() override
    {
        views.clear();
        activeParams = nullptr;
        templateCountLimit = savedLimit;
        detectsPerCamera = savedDetects;
    }

    // A start: the camera view built over the files of the working directory.
    CammerWidget& start(bool colour = false)
    {
        cameras.push_back(std::make_unique<ViewCamera>(W, H, colour));
        views.push_back(std::make_unique<CammerWidget>(nullptr, 0, cameras.back().get()));
        return *views.back();
    }

    static unsigned char pattern(int x, int y) { return static_cast<unsigned char>((7 * x + 3 * y) & 0xff); }

    std::unique_ptr<SystemParam> params;
    std::vector<std::unique_ptr<ViewCamera>> cameras;
    std::vector<std::unique_ptr<CammerWidget>> views;
    int savedLimit = 10;
    int savedDetects = 2;
};

}  // namespace

TEST(BmpComplete, TellsWholeFilesFromFilesCutShort)
{
    auto value = [](int x, int y) { return quint32((x * 5 + y) & 0xff); };
    ASSERT_TRUE(BmpWriter::write("grey.bmp", 33, 20, 8, value));
    ASSERT_TRUE(BmpWriter::write("colour.bmp", 33, 20, 32, value));
    ASSERT_TRUE(BmpWriter::write("rgb.bmp", 33, 20, 24, value));
    QImage mono(33, 20, QImage::Format_Mono);
    mono.fill(1);
    ASSERT_TRUE(mono.save("mono.bmp", "BMP"));
    // The same grey picture stored top row first (a negative height).
    QByteArray topDown = bytesOf("grey.bmp");
    char height[4];
    qToLittleEndian<qint32>(-20, height);
    topDown.replace(22, 4, height, 4);
    QFile file("topdown.bmp");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(topDown) == topDown.size());
    file.close();

    for (const char* name : {"grey.bmp", "colour.bmp", "rgb.bmp", "mono.bmp", "topdown.bmp"}) {
        SCOPED_TRACE(name);
        const QByteArray whole = bytesOf(name);
        EXPECT_TRUE(bmpComplete(name));
        const struct {
            const char* what;
            qint64 size;
            bool complete;
        } cuts[] = {
            {"bytes after the last row", whole.size() + 10, true},
            {"one byte short", whole.size() - 1, false},
            {"cut to a third", whole.size() / 3, false},
            {"cut inside the header", 30, false},
            {"only the file header", 14, false},
            {"empty", 0, false},
        };
        for (const auto& c : cuts) {
            QFile copy("cut.bmp");
            ASSERT_TRUE(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
            copy.write(whole.left(int(std::min<qint64>(c.size, whole.size()))));
            if (c.size > whole.size())
                copy.write(QByteArray(int(c.size - whole.size()), '\0'));
            copy.close();
            EXPECT_EQ(bmpComplete("cut.bmp"), c.complete) << c.what;
        }
    }
    EXPECT_FALSE(bmpComplete("missing.bmp"));
}

TEST_F(PictureFiles, CutTemplatesAndMasksAreRefusedAndNamedAtStart)
{
    auto grey = [](int x, int y) { return quint32(pattern(x, y)); };
    // Detect 1 (cammer11): template 0 and the ignore mask (everything ignored) cut to a third.
    ASSERT_TRUE(BmpWriter::write("cammer11/template0.bmp", W, H, 8, grey));
    ASSERT_TRUE(BmpWriter::write("cammer11/template1.bmp", W, H, 8, grey));
    ASSERT_TRUE(BmpWriter::write("cammer11/ignorepoint.bmp", W, H, 8, [](int, int) { return 255u; }));
    // Detect 2 (cammer12): template 0 whole, template 2 cut, the mask whole.
    ASSERT_TRUE(BmpWriter::write("cammer12/template0.bmp", W, H, 8, grey));
    ASSERT_TRUE(BmpWriter::write("cammer12/template2.bmp", W, H, 8, grey));
    ASSERT_TRUE(BmpWriter::write("cammer12/ignorepoint.bmp", W, H, 8, [](int x, int) { return x < 10 ? 255u : 0u; }));
    for (const char* cut : {"cammer11/template0.bmp", "cammer11/ignorepoint.bmp", "cammer12/template2.bmp"})
        cutTo(cut, QFileInfo(cut).size() / 3);

    Messages log;
    CammerWidget& view = start();

    // Detect 1: the generated template 0, the check marked to stay NG; template 1 is used.
    EXPECT_TRUE(view.templateZeroUnreadable[0]);
    EXPECT_EQ(view.templateValid[0], (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(view.templates[0][0][size_t(H / 2 * W + W / 2)], 255) << "the generated template 0";
    EXPECT_EQ(view.templates[0][0][0], 0);
    // The cut mask ignores nothing: not even the rows the file still holds.
    EXPECT_EQ(std::count(view.ignoreMask[0].begin(), view.ignoreMask[0].end(), 0), W * H);
    // Detect 2: its own template 0; the cut template 2 is left out; the whole mask is used.
    EXPECT_FALSE(view.templateZeroUnreadable[1]);
    EXPECT_EQ(view.templateValid[1], (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(view.validTemplateCount[1], 1);
    EXPECT_EQ(view.templates[1][0][size_t(5 * W + 7)], pattern(7, 5));
    EXPECT_EQ(view.ignoreMask[1][0], 255);
    EXPECT_EQ(view.ignoreMask[1][10], 0);

    // Each is named with the camera, the check and the file, in the current language.
    const QStringList expected = {
        tableText(CammerWidget::kTemplateZeroUnreadableText).arg(1).arg(tableText(263), "./cammer11/template0.bmp"),
        tableText(CammerWidget::kTemplateUnreadableText).arg(1).arg(tableText(264), "./cammer12/template2.bmp"),
        tableText(CammerWidget::kIgnoreMaskUnreadableText).arg(1).arg(tableText(263), "./cammer11/ignorepoint.bmp"),
    };
    for (const QString& line : expected)
        EXPECT_TRUE(log.texts().contains(line)) << line.toStdString() << "\n" << log.texts().join('\n').toStdString();
    EXPECT_EQ(log.texts().filter(QStringLiteral("cammer12/ignorepoint.bmp")), QStringList()) << "a whole file is not named";
    EXPECT_TRUE(expected[0].contains(QStringLiteral("1号相机成品检测"))) << expected[0].toStdString();

    // Sampling template 0 anew lifts the mark and writes a file the next start reads.
    std::fill(view.grabBuffer.begin(), view.grabBuffer.end(), 60);
    view.SaveReTrainImage(0);
    EXPECT_FALSE(view.templateZeroUnreadable[0]);
    EXPECT_TRUE(bmpComplete("cammer11/template0.bmp"));
    CammerWidget& next = start();
    EXPECT_FALSE(next.templateZeroUnreadable[0]);
    EXPECT_EQ(next.templates[0][0][0], 60);
}

// Each of the writes, cut in a child: by a write failure (a full disk) and by the child's death in
// the middle of the write (a power cut). The earlier file stays byte for byte, no temporary file
// is left, and the next start reads the earlier picture.
TEST_F(PictureFiles, CutWritesKeepTheEarlierFileWhole)
{
    auto grey = [](int x, int y) { return quint32(pattern(x, y)); };
    struct Write {
        const char* name;
        const char* file;
        // The write, in the child: true when it reports success.
        std::function<bool(CammerWidget&)> write;
    };
    const Write writes[] = {
        {"re-sampled template 0", "cammer11/template0.bmp",
         [](CammerWidget& view) {
             std::fill(view.grabBuffer.begin(), view.grabBuffer.end(), 200);
             view.SaveReTrainImage(0);
             // The sampling itself reports nothing: success is the new picture in the file.
             std::vector<unsigned char> stored(size_t(view.frameBytes));
             return readTemplateFile("cammer11/template0.bmp", W, H, false, stored.data()) && stored[0] == 200;
         }},
        {"template of the library", "cammer11/template1.bmp",
         [](CammerWidget& view) {
             std::vector<unsigned char> frame(size_t(view.frameBytes), 201);
             return writeFrameFile("./cammer11/template1.bmp", frame.data(), W, H, false);
         }},
        {"ignore mask", "cammer11/ignorepoint.bmp",
         [](CammerWidget& view) {
             std::fill(view.ignoreMask[0].begin(), view.ignoreMask[0].end(), 255);
             return view.saveIgnoreMask(0);
         }},
        {"test image", "originalimage/cammer11/template20261211-120000-000.bmp",
         [](CammerWidget& view) {
             return writeFrameFile("./originalimage/cammer11/template20261211-120000-000.bmp", view.grabBuffer.data(), W,
                                   H, false);
         }},
    };
    for (const Write& w : writes) {
        for (bool killed : {false, true}) {
            SCOPED_TRACE(std::string(w.name) + (killed ? ", killed in the write" : ", the write fails"));
            ASSERT_TRUE(BmpWriter::write("cammer11/template0.bmp", W, H, 8, grey));
            ASSERT_TRUE(BmpWriter::write("cammer11/template1.bmp", W, H, 8, grey));
            ASSERT_TRUE(BmpWriter::write("cammer11/ignorepoint.bmp", W, H, 8, [](int x, int) { return x < 4 ? 255u : 0u; }));
            ASSERT_TRUE(BmpWriter::write("originalimage/cammer11/template20261211-120000-000.bmp", W, H, 8, grey));
            const QByteArray earlier = bytesOf(w.file);
            CammerWidget& view = start();

            // Room for half a picture.
            const int result = runWithFileSizeLimit(earlier.size() / 2, [&] { return w.write(view) ? 1 : 0; }, killed);
            EXPECT_EQ(result, killed ? -1 : 0);
            EXPECT_EQ(bytesOf(w.file), earlier);
            const QString folder = QFileInfo(w.file).path();
            EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".bmp.")), QStringList());

            CammerWidget& next = start();
            EXPECT_FALSE(next.templateZeroUnreadable[0]);
            EXPECT_EQ(next.templates[0][0][size_t(W + 1)], pattern(1, 1));
            EXPECT_EQ(next.templateValid[0][1], 1);
            EXPECT_EQ(next.ignoreMask[0][0], 255);
            EXPECT_EQ(next.ignoreMask[0][4], 0);
            views.clear();
            cameras.clear();
        }
        // Without a limit the same write succeeds and replaces the file.
        const QByteArray earlier = bytesOf(w.file);
        CammerWidget& view = start();
        EXPECT_TRUE(w.write(view)) << w.name;
        EXPECT_NE(bytesOf(w.file), earlier) << w.name;
        EXPECT_TRUE(bmpComplete(w.file)) << w.name;
        views.clear();
        cameras.clear();
    }
}

TEST_F(PictureFiles, TemporaryFilesOfCutWritesAreRemovedAtTheNextStart)
{
    // Where the disk cannot hold a nameless temporary file, a cut write leaves a named one beside
    // the target; the next start removes those, and nothing else.
    auto grey = [](int x, int y) { return quint32(pattern(x, y)); };
    ASSERT_TRUE(BmpWriter::write("cammer11/template0.bmp", W, H, 8, grey));
    const QStringList left = {"cammer11/template0.bmp.Ab12Cd", "cammer11/ignorepoint.bmp.x9Y8z7",
                              "cammer12/template3.bmp.QwErTy"};
    const QStringList kept = {"cammer11/template0.bmp", "cammer11/notes.bmp.txt", "cammer12/template1.bmp.orig"};
    for (const QString& name : left + kept.mid(1)) {
        QFile file(name);
        QDir().mkpath(QFileInfo(name).path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("half a picture");
    }
    start();
    for (const QString& name : left)
        EXPECT_FALSE(QFile::exists(name)) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(name)) << name.toStdString();
}
