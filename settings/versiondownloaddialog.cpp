#include "settings/versiondownloaddialog.h"

#include "core/atomicfile.h"
#include "core/globals.h"
#include "core/platformutils.h"
#include "core/runaside.h"
#include "core/shellrunner.h"
#include "core/updatesource.h"
#include "core/version.h"
#include "settings/pendingpackage.h"
#include "settings/vselectbox.h"
#include "widgets/boxframe.h"
#include "widgets/colorbutton.h"
#include "widgets/dialogstyle.h"
#include "widgets/kitfont.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPushButton>
#include <QTextCodec>
#include <QThread>
#include <QTemporaryFile>
#include <QTimer>
#include <QTransform>


#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

namespace {

// Largest listing read: a listing line is about 100 bytes, so 1 MiB holds some ten thousand
// entries, far more than an update folder holds, and parses in a fraction of a second. A larger
// page is refused before it is read whole.
constexpr qint64 kMaxListingBytes = 1 << 20;
// How often a listing request looks whether the operator has cancelled the walk (ms).
constexpr int kCancelPollMs = 50;
// Categories read at most: each that never answers costs a listing timeout.
constexpr int kMaxCategories = 6;
// The walk shows its box only when it takes longer than this (ms).
constexpr int kWalkBoxDelayMs = 300;
constexpr int kButtonsPerPage = 7;
// Top listing, category, version folder: deeper listings are not read, so a server whose pages
// name themselves (or each other) cannot keep the dialog fetching.
constexpr int kMaxListingDepth = 3;

// The package files the start script can apply. A listing line names a package only when one of
// these ends a name starting with the version prefix; ".tar" alone, or ".tar" cut out of
// ".tar.gz", names no file.
const char* const kPackageExtensions[] = {".tar.gz", ".tar.xz", ".rar"};

// What a package file of each kind begins with: gzip, xz, and RAR (versions 4 and 5 alike).
struct PackageKind {
    const char* extension;
    const char* magic;
    int magicSize;
};
const PackageKind kPackageKinds[] = {
    {".tar.gz", "\x1f\x8b", 2},
    {".tar.xz", "\xfd" "7zXZ\x00", 6},
    {".rar", "Rar!\x1a\x07", 6},
};
// The download's file while it arrives: beside the pending package, under no newupdate.* name.
const char* const kDownloadPartName = "pending-download.part";

// The outcome of one GET: the body when it finished without error.
struct Fetched {
    bool finished = false;
    // The body is (or announced itself) longer than the limit: not read.
    bool tooLarge = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
};

// GETs `address` through a manager of its own and waits in a local event loop until the reply
// finishes, `timeoutMs` passes, `cancel` is set or the body turns out longer than `maxBytes`
// (counted as it comes: no more than one network read beyond it is held). An unfinished request
// is dropped with its manager. Any thread.
Fetched fetch(const QString& address, int timeoutMs, const std::atomic<bool>* cancel, qint64 maxBytes)
{
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(QUrl(address))));
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    bool tooLarge = false;
    const auto refuseAbove = [&](qint64 bytes) {
        if (bytes > maxBytes) {
            tooLarge = true;
            loop.quit();
        }
    };
    // The announced length, and what has come so far (a body without a length is counted).
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop,
                     [&](qint64 received, qint64 total) { refuseAbove(std::max(received, total)); });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&]() { refuseAbove(reply->bytesAvailable()); });
    QTimer watch;
    if (cancel) {
        QObject::connect(&watch, &QTimer::timeout, &loop, [&]() {
            if (cancel->load())
                loop.quit();
        });
        watch.start(kCancelPollMs);
    }
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    Fetched out;
    out.finished = reply->isFinished() && !tooLarge;
    if (!out.finished) {
        out.tooLarge = tooLarge;
        reply->abort();
        return out;
    }
    out.error = reply->error();
    if (out.error == QNetworkReply::NoError)
        out.body = reply->read(maxBytes + 1);
    if (out.body.size() > maxBytes) {
        out.tooLarge = true;
        out.body.clear();
    }
    return out;
}

// The package named on a listing line, or empty: the line up to the end of a known extension,
// when that ends the name (end of line or a blank follows) and the name starts with the prefix.
QString packageOnLine(const QString& line)
{
    const QString prefix = QString::fromLatin1(versionPrefix);
    QString lowerPrefix = prefix;
    lowerPrefix[0] = lowerPrefix[0].toLower();
    for (const char* extension : kPackageExtensions) {
        const QString ext = QString::fromLatin1(extension);
        const int at = line.lastIndexOf(ext);
        if (at < 0)
            continue;
        const int end = at + ext.size();
        if (end < line.size() && !line.at(end).isSpace())
            continue;
        const QString name = line.left(end);
        if (name.startsWith(prefix) || name.startsWith(lowerPrefix))
            return name;
    }
    return QString();
}

// How long tar may take for the backup (ms) before it is killed.
constexpr int kBackupTimeoutMs = 15 * 60 * 1000;

// Backups of the install folder are "bin-VAV-<yyyy-MM-dd-hh:mm:ss>.tar.gz" in the backup folder,
// written under the same name with this suffix until tar has ended well.
const char* const kBackupStem = "bin-VAV";
const char* const kBackupPartSuffix = ".part";

bool renameFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool isBackupName(const QString& name)
{
    const QStringList parts = name.split(QLatin1Char('-'));
    return name.contains(QLatin1String(".tar.gz")) && parts.size() > 2
           && parts[0] + QLatin1Char('-') + parts[1] == QLatin1String(kBackupStem);
}

// Removes the earlier backups of the install folder from the backup folder, all but `keep`.
void removeOldBackups(const QString& keep)
{
    const QDir folder(backupFolder());
    if (!folder.exists())
        return;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        if (!isBackupName(entry.fileName()) || entry.fileName() == keep)
            continue;
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

}  // namespace

int VersionDownloadDialog::listingTimeoutMs = 1000;

VersionDownloadDialog::VersionDownloadDialog(QWidget* parent) : QDialog(parent)
{
    const QSize size = screenWidth > 1024 ? QSize(1280, 960) : QSize(700, 500);
    setFixedSize(size);
    setGeometry(centredBoxRect(size.width(), size.height()));
    const int W = width();
    const int H = height();
    setWindowFlags(Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    // Styled before the walk, so that its box wears the dialog's style.
    applyDialogStyle(this, QString());

    readListings();

    m_exitButton = new ColorButton(tr("退出"), this, 0);
    buildColumns();

    m_lastGroup = new QButtonGroup(this);
    m_nextGroup = new QButtonGroup(this);
    for (int t = 0; t < m_titles.size(); ++t) {
        auto last = new QPushButton(tr("上一页"), this);
        auto next = new QPushButton(tr("下一页"), this);
        for (QPushButton* button : {last, next})
            button->setStyleSheet(QStringLiteral("background:transprent;"));
        last->setGeometry(W / 12 + t * (W / 3) - 50, H - 100, 100, 50);
        next->setGeometry(t * (W / 3) + W / 4 - 50, H - 100, 100, 50);
        m_lastGroup->addButton(last, t);
        m_nextGroup->addButton(next, t);
    }
    connect(m_lastGroup, &QButtonGroup::idClicked, this, &VersionDownloadDialog::slotToLastPage);
    connect(m_nextGroup, &QButtonGroup::idClicked, this, &VersionDownloadDialog::slotToNextPage);

    m_exitButton->setGeometry(W - 155, 5, 150, 50);
    connect(m_exitButton, &QPushButton::clicked, this, &VersionDownloadDialog::acceptDialog);
}

void VersionDownloadDialog::buildColumns()
{
    for (int c = 0; c < m_columns.size(); ++c) {
        auto group = new QButtonGroup(this);
        const QStringList& names = m_columns[c].first;
        for (int i = 0; i < names.size(); ++i) {
            auto button = new ColorButton(names[i], this, 0);
            button->hide();
            group->addButton(button, i);
        }
        connect(group, QOverload<QAbstractButton*>::of(&QButtonGroup::buttonClicked), this, &VersionDownloadDialog::onVersionClicked);
        m_versionGroups.append(group);
        m_pageCounts.append((names.size() + kButtonsPerPage - 1) / kButtonsPerPage);
        m_pages.append(0);
        showPage(c);
    }
}

void VersionDownloadDialog::readListings()
{
    // The walk runs in a thread of its own; the screen stays alive and, should it take long, a
    // box lets the operator stop it. Until the thread has ended only the walk touches the
    // listing members.
    m_currentAddress = updateServerAddress();
    // Set by the walk before its thread reports the end: a thread seen to finish may not yet
    // answer isFinished().
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> worker(QThread::create([this, &done]() {
        const bool topAnswered = fetchListing(updateServerAddress());
        // Reachable when the top listing answered and, if it names categories, any of them did:
        // the verdict does not depend on the order of the categories.
        reachable = topAnswered && (m_categoriesNamed == 0 || m_categoriesAnswered > 0);
        // Titles and columns by position: a category without packages keeps an empty column.
        while (m_columns.size() < m_titles.size())
            m_columns.append(QPair<QStringList, QStringList>());
        done = true;
    }));
    v_SelectBox box(width() / 2 - 375, height() / 2 - 185, this, 1);
    box.text = tr("正在读取版本列表...");
    if (auto button = box.findChild<QPushButton*>())
        button->setText(tr("取消"));
    connect(worker.get(), &QThread::finished, &box, [&box]() { box.done(QDialog::Rejected); });
    worker->start();
    {
        QEventLoop loop;
        connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(kWalkBoxDelayMs, &loop, &QEventLoop::quit);
        if (!done)
            loop.exec();
    }
    if (!done && box.exec() == QDialog::Accepted) {
        qInfo("listing cancelled");
        m_cancel = true;
    }
    worker->wait();
    if (m_cancel) {
        cancelled = true;
        reachable = false;
    }
}

bool VersionDownloadDialog::fetchListing(const QString& address)
{
    // The walk never reads a page twice nor descends without end.
    if (m_cancel || m_depth >= kMaxListingDepth || m_fetched.contains(address))
        return false;
    m_fetched.insert(address);

    const Fetched got = fetch(address, listingTimeoutMs, &m_cancel, kMaxListingBytes);
    if (got.tooLarge) {
        // The server answered, with something no listing is: the page is skipped.
        qInfo("listing %s refused: larger than %lld bytes", qPrintable(address), kMaxListingBytes);
        return true;
    }
    // A request that could not reach the server at all (refused, no route, unknown host) is as
    // good as one left unanswered; an HTTP error from a server that answered only skips the page.
    const bool unreached = got.finished && got.error != QNetworkReply::NoError
                           && got.error < QNetworkReply::ContentAccessDenied;
    if (!got.finished || unreached) {
        qInfo("error");
        return false;
    }
    if (got.error != QNetworkReply::NoError)
        return true;
    QString text = QString::fromUtf8(got.body);
    text.remove(QStringLiteral("<hr>"));
    m_currentAddress = address;
    ++m_depth;
    parseListing(text);
    --m_depth;
    return true;
}

bool VersionDownloadDialog::parseListing(const QString& text)
{
    if (m_cancel)
        return false;
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(text.toLocal8Bit(), false, &message, &line, &column)) {
        qInfo().noquote() << "Error: Parse error at line " << line << ", "
                          << "column " << column << ": " << message;
        return false;
    }
    collectEntries(document.documentElement());
    return true;
}

void VersionDownloadDialog::collectEntries(const QDomElement& element)
{
    for (QDomNode node = element.firstChild(); !node.isNull() && !m_cancel; node = node.nextSibling()) {
        const QDomElement body = node.toElement();
        if (body.isNull() || body.tagName() != QLatin1String("body"))
            continue;
        QStringList lines;
        for (const QString& piece : body.text().split(QLatin1Char('/')))
            lines += piece.split(QStringLiteral("\r\n"));
        const int n = lines.size();

        QStringList names;
        QStringList addresses;
        for (int i = 0; i + 1 < n; ++i) {
            const QString name = packageOnLine(lines[i]);
            if (!name.isEmpty()) {
                names << name;
                addresses << m_currentAddress + name;
            }
        }
        if (!names.isEmpty()) {
            // The packages go under the title of the category being read; packages met outside
            // any category get an untitled column of their own.
            int column = m_category;
            if (column < 0) {
                column = m_titles.size();
                m_titles << QString();
            }
            while (m_columns.size() <= column)
                m_columns.append(QPair<QStringList, QStringList>());
            m_columns[column].first << names;
            m_columns[column].second << addresses;
            return;
        }

        for (int k = 0; k + 2 < n && !m_cancel; ++k) {
            if (!lines[k + 1].startsWith(QLatin1Char(' ')))
                continue;
            const QString& folder = lines[k];
            if (!folder.contains(QLatin1Char('V'))) {
                // A category named again (by its own page or another) keeps its one title.
                const QString address = updateServerAddress() + folder + QLatin1Char('/');
                if (m_fetched.contains(address))
                    continue;
                if (m_categoriesNamed >= kMaxCategories) {
                    qInfo("more than %d categories listed; %s and later ones left out", kMaxCategories, qPrintable(folder));
                    break;
                }
                ++m_categoriesNamed;
                m_titles << folder;
                const int outer = m_category;
                m_category = m_titles.size() - 1;
                if (fetchListing(address))
                    ++m_categoriesAnswered;
                m_category = outer;
            } else if (folder == QLatin1String(versionPrefix)) {
                fetchListing(m_currentAddress + folder + QLatin1Char('/'));
            }
        }
    }
}

void VersionDownloadDialog::showPage(int column)
{
    if (column < 0 || column >= m_versionGroups.size())
        return;
    const QList<QAbstractButton*> buttons = m_versionGroups[column]->buttons();
    const int first = m_pages[column] * kButtonsPerPage;
    const int end = qMin(first + kButtonsPerPage, int(buttons.size()));
    const int W = width();
    for (int i = first; i < end; ++i) {
        QAbstractButton* button = m_versionGroups[column]->button(i);
        button->setGeometry((W / 3) * column + W / 6 - 100, 180 + 80 * (i - first), 200, 50);
        button->show();
    }
}

void VersionDownloadDialog::hidePage(int column)
{
    if (column < 0 || column >= m_versionGroups.size())
        return;
    const QList<QAbstractButton*> buttons = m_versionGroups[column]->buttons();
    for (int i = m_pages[column] * kButtonsPerPage; i < buttons.size(); ++i)
        m_versionGroups[column]->button(i)->hide();
}

void VersionDownloadDialog::slotToLastPage(int id)
{
    // A category that yielded no packages has page buttons but no column.
    if (id < 0 || id >= m_versionGroups.size())
        return;
    hidePage(id);
    if (m_pages[id] > 0)
        --m_pages[id];
    showPage(id);
}

void VersionDownloadDialog::slotToNextPage(int id)
{
    if (id < 0 || id >= m_versionGroups.size())
        return;
    hidePage(id);
    if (m_pages[id] + 1 < m_pageCounts[id])
        ++m_pages[id];
    showPage(id);
}

void VersionDownloadDialog::acceptDialog()
{
    accept();
}

void VersionDownloadDialog::onVersionClicked(QAbstractButton* button)
{
    setVersionButtonsEnabled(false);
    m_exitButton->setEnabled(false);
    const int x = width() / 2 - 375;
    const int y = height() / 2 - 185;
    v_SelectBox question(x, y, this, 2);
    question.text = tr("是否开始下载该版本?");
    if (question.exec() == QDialog::Accepted) {
        // The notice's one button stops the transfer; it is shown, not run, while the transfer
        // runs in local event loops.
        v_SelectBox notice(x, y, this, 1);
        notice.text = tr("下载中...");
        if (auto stop = notice.findChild<QPushButton*>())
            stop->setText(tr("取消"));
        connect(&notice, &QDialog::accepted, this, &VersionDownloadDialog::cancelDownload);
        m_notice = &notice;
        notice.show();
        const bool ok = downloadPackage(button->text(), columnOf(button));
        m_notice = nullptr;
        v_SelectBox outcome(x, y, this, 1);
        notice.close();
        if (ok)
            outcome.text = tr("下载成功\n重启后自动更新");
        else if (m_downloadCancelled)
            outcome.text = tr("下载已取消") + QLatin1Char('\n') + tr("原安装包保留");
        else
            outcome.text = tr("下载失败") + QLatin1Char('\n') + m_failure;
        outcome.exec();
    }
    setVersionButtonsEnabled(true);
    m_exitButton->setEnabled(true);
}

void VersionDownloadDialog::cancelDownload()
{
    if (m_abortTransfer)
        m_abortTransfer();
}

bool VersionDownloadDialog::downloadPackage(const QString& name, int column)
{
    m_failure.clear();
    m_downloadCancelled = false;
    QString address;
    for (int c = 0; c < m_columns.size() && address.isEmpty(); ++c) {
        if (column >= 0 && c != column)
            continue;
        const int at = m_columns[c].first.indexOf(name);
        if (at >= 0)
            address = m_columns[c].second.at(at);
    }
    // The pending package's name follows the end of the package's own name.
    QString target;
    QByteArray magic;
    for (const PackageKind& kind : kPackageKinds) {
        if (target.isEmpty() && name.endsWith(QLatin1String(kind.extension))) {
            target = QStringLiteral("newupdate") + QLatin1String(kind.extension);
            magic = QByteArray(kind.magic, kind.magicSize);
        }
    }
    if (address.isEmpty() || target.isEmpty()) {
        m_failure = tr("未知的安装包");
        return false;
    }

    // The package arrives in a file beside the pending package; the pending package stays as it
    // is until the new one is complete, read through and backed up for.
    const QString partial = QDir(installFolder()).filePath(QString::fromLatin1(kDownloadPartName));
    const auto refuse = [&](const QString& why) {
        m_failure = why;
        QFile::remove(partial);
        qWarning("download of %s failed: %s; the pending package is kept", qPrintable(address), qPrintable(m_failure));
        return false;
    };
    const QString transfer = streamPackage(address, partial, magic);
    if (!transfer.isEmpty())
        return refuse(transfer);

    // The start script unpacks the package over the install folder: it must be whole. The
    // notice's button stops the check as it stopped the transfer.
    if (m_notice) {
        if (auto v = qobject_cast<v_SelectBox*>(m_notice))
            v->text = tr("正在检查安装包...");
        m_notice->update();
    }
    std::atomic<bool> stopCheck{false};
    m_abortTransfer = [&]() {
        m_downloadCancelled = true;
        qInfo("check of the download %s cancelled by the operator", qPrintable(address));
        stopCheck = true;
    };
    const QString verdict = PendingPackage::checkAside(partial, target, &stopCheck);
    m_abortTransfer = nullptr;
    if (m_downloadCancelled)
        return refuse(tr("下载已取消"));
    if (!verdict.isEmpty())
        return refuse(verdict);
    if (m_notice)
        m_notice->hide();

    // No update without the way back.
    const QString backup = backupInstallFolder();
    if (!backup.isEmpty())
        return refuse(backup);
    QString why;
    bool adopted = false;
    // The package's flush to disk may take seconds: beside the screen and the machine cycle.
    runAside([&]() { adopted = PendingPackage::adopt(partial, target, &why); });
    if (!adopted) {
        m_failure = why;
        return false;
    }
    return true;
}

QString VersionDownloadDialog::streamPackage(const QString& address, const QString& partial, const QByteArray& magic)
{
    QFile::remove(partial);
    QFile file(partial);
    // Unbuffered: what has arrived is on disk, and a cancel removes all of it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        qInfo("path error");
        return tr("无法写入安装目录");
    }

    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(address)};
    // A redirect is an answer of its own, never the package.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(stallTimeoutMs);
    // A server that sends a byte now and then never stalls: the whole transfer has its limit too.
    QTimer overall;
    overall.setSingleShot(true);

    QString failure;
    qint64 received = 0;
    QByteArray head;
    const auto fail = [&](const QString& why) {
        if (failure.isEmpty())
            failure = why;
        stall.stop();
        overall.stop();
        reply->abort();
        loop.quit();
    };
    m_abortTransfer = [&]() {
        m_downloadCancelled = true;
        qInfo("download of %s cancelled by the operator", qPrintable(address));
        fail(tr("下载已取消"));
    };
    // The status and announced length, as soon as the head has arrived.
    const auto checkHead = [&]() {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return true;
        if (status.toInt() != 200) {
            fail(tr("服务器答复 %1").arg(status.toInt()));
            return false;
        }
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > sizeCapBytes) {
            fail(tr("安装包过大"));
            return false;
        }
        return true;
    };
    const auto take = [&]() {
        if (!failure.isEmpty() || !checkHead())
            return;
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty())
            return;
        stall.start();
        received += chunk.size();
        if (received > sizeCapBytes) {
            fail(tr("安装包过大"));
            return;
        }
        if (head.size() < magic.size()) {
            head += chunk.left(magic.size() - head.size());
            if (!magic.startsWith(head)) {
                fail(tr("文件类型不符"));
                return;
            }
        }
        if (file.write(chunk) != chunk.size())
            fail(tr("无法写入安装目录"));
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, [&]() {
        stall.start();
        checkHead();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, take);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&stall, &QTimer::timeout, [&]() {
        qInfo("error");
        fail(tr("传输中断"));
    });
    QObject::connect(&overall, &QTimer::timeout, [&]() {
        qInfo("download of %s: still unfinished after %d ms", qPrintable(address), overallTimeoutMs);
        fail(tr("下载超时"));
    });
    stall.start();
    overall.start(overallTimeoutMs);
    if (!reply->isFinished())
        loop.exec();
    stall.stop();
    overall.stop();
    m_abortTransfer = nullptr;
    if (failure.isEmpty()) {
        take();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (failure.isEmpty() && status.isValid() && status.toInt() != 200)
            failure = tr("服务器答复 %1").arg(status.toInt());
        else if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
            failure = received > 0 ? tr("安装包不完整") : tr("网络错误");
        else if (failure.isEmpty() && length.isValid() && length.toLongLong() != received)
            failure = tr("安装包不完整");
        else if (failure.isEmpty() && received == 0)
            failure = tr("安装包为空");
        else if (failure.isEmpty() && head != magic)
            failure = tr("文件类型不符");
    }
    if (failure.isEmpty() && !file.flush())
        failure = tr("无法写入安装目录");
    if (!failure.isEmpty())
        qInfo("download of %s: %s (%s)", qPrintable(address), qPrintable(failure), qPrintable(reply->errorString()));
    file.close();
    return failure;
}

QString VersionDownloadDialog::backupInstallFolder()
{
    const QFileInfo install(installFolder());
    const QDir backups(backupFolder());
    if (!install.isDir())
        return tr("无法写入安装目录");
    if (!backups.exists() && !QDir().mkpath(backups.absolutePath())) {
        qWarning("no backup folder %s", qPrintable(backups.absolutePath()));
        return tr("备份安装目录失败");
    }
    const QString name = QStringLiteral("%1-%2.tar.gz")
                             .arg(QLatin1String(kBackupStem),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-hh:mm:ss")));
    // An absolute archive path: tar takes a name with a colon before any slash for a remote host.
    const QString archive = backups.absoluteFilePath(name);
    // tar writes here; a cut or failed backup never looks like a whole one.
    const QString partial = archive + QLatin1String(kBackupPartSuffix);
    QFile::remove(partial);
    QStringList args{QStringLiteral("-zcvf"), partial};
    // A backup folder inside the install folder: its backups, whole or partial, stay out of the
    // new one.
    const QString inside = QDir(install.absoluteFilePath()).relativeFilePath(backups.absolutePath());
    if (!inside.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(inside)) {
        const QString folder = inside == QLatin1String(".") ? install.fileName() : install.fileName() + QLatin1Char('/') + inside;
        args << QStringLiteral("--exclude=%1/%2-*.tar.gz").arg(folder, QLatin1String(kBackupStem));
        args << QStringLiteral("--exclude=%1/%2-*.tar.gz%3").arg(folder, QLatin1String(kBackupStem), QLatin1String(kBackupPartSuffix));
    }
    args << QStringLiteral("-C") << install.absolutePath() << install.fileName();

    // tar runs in a thread of its own; the screen, the detection cycle and with it the IO
    // board's heartbeat go on meanwhile, and a box tells how far the archive has grown.
    ShellResult tar;
    // The archive's flush takes as long as its writing may: in the worker too.
    bool flushed = false;
    v_SelectBox progress(width() / 2 - 375, height() / 2 - 185, this, 0);
    progress.text = tr("正在备份安装目录...");
    QTimer growth;
    QObject::connect(&growth, &QTimer::timeout, &progress, [&]() {
        const qint64 size = QFileInfo(partial).size();
        progress.text = tr("正在备份安装目录...") + QLatin1Char('\n') + QStringLiteral("%1 MB").arg(double(size) / (1024 * 1024), 0, 'f', 1);
        progress.update();
    });
    progress.show();
    growth.start(500);
    runAside([&tar, &flushed, &args, &partial]() {
        tar = ShellRunner::run(QStringLiteral("tar"), args, kBackupTimeoutMs);
        flushed = QFileInfo(partial).isFile() && flushPath(partial);
    });
    growth.stop();
    progress.close();

    // tar ends with 1 when a file changed while it was read (the logs live in the install
    // folder): the archive is whole all the same.
    const bool complete = tar.started && tar.finished && (tar.exitCode == 0 || tar.exitCode == 1);
    if (!complete || !QFileInfo(partial).isFile()) {
        qWarning("backup of %s failed (%s, exit code %d); earlier backups kept, no package placed",
                 qPrintable(install.absoluteFilePath()),
                 !tar.started ? "tar did not start" : !tar.finished ? "tar did not end in time" : "tar ended", tar.exitCode);
        QFile::remove(partial);
        return tr("备份安装目录失败");
    }
    if (!flushed || !renameFile(partial, archive)) {
        qWarning("cannot put the backup %s in place; earlier backups kept, no package placed", qPrintable(archive));
        QFile::remove(partial);
        return tr("备份安装目录失败");
    }
    flushPath(backups.absolutePath());
    if (tar.exitCode == 1)
        qInfo("backup of %s: some files changed while tar read them; the backup is kept",
              qPrintable(install.absoluteFilePath()));
    removeOldBackups(name);
    return QString();
}

int VersionDownloadDialog::columnOf(QAbstractButton* button) const
{
    for (int c = 0; c < m_versionGroups.size(); ++c)
        if (m_versionGroups[c]->buttons().contains(button))
            return c;
    return -1;
}

void VersionDownloadDialog::setVersionButtonsEnabled(bool enabled)
{
    for (QButtonGroup* group : qAsConst(m_versionGroups))
        for (QAbstractButton* button : group->buttons())
            button->setEnabled(enabled);
}

void VersionDownloadDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int W = width();
    const int H = height();
    paintBackgroundPicture(painter, W, H);
    if (titlePixmap && !titlePixmap->isNull())
        painter.drawPixmap(QRect(0, 0, W, 60), *titlePixmap);
    painter.setFont(QFont(QLatin1String(kKitFontFamily), 32));
    painter.setPen(QColor(0, 255, 255));
    painter.drawText(QRect(0, 0, W, 60), Qt::AlignCenter, tr("版本库"));
    if (linePixmap && !linePixmap->isNull()) {
        const QPixmap upright = linePixmap->transformed(QTransform().rotate(90));
        for (int t = 1; t < m_titles.size(); ++t)
            painter.drawPixmap(QRect(t * (W / 3), 170, 10, H - 260), upright);
    }
    painter.setPen(QColor(255, 255, 0));
    for (int t = 0; t < m_titles.size(); ++t)
        painter.drawText(QRect(W / 6 + t * (W / 3) - 100, 100, 200, 50), Qt::AlignCenter, m_titles[t]);
}
