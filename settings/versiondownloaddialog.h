// The version library: reads the update server's directory listings (category folders, then the
// folder of this product's version prefix), offers the packages found as buttons, one column per
// listing with pages of seven, and downloads the one picked as the pending update package after
// a backup of the install folder. Built, run and deleted by each opening; the listings are read
// in the constructor, by a thread of its own behind a box with a cancel button. GUI thread only,
// apart from that walk; the waits are local event loops.
#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <functional>

class ColorButton;
class QAbstractButton;
class QButtonGroup;
class QDomElement;

class VersionDownloadDialog : public QDialog {
    Q_OBJECT

public:
    explicit VersionDownloadDialog(QWidget* parent = nullptr);

    // False when the top listing went unanswered or could not reach the server, when none of
    // the categories it names answered, or when the operator cancelled the walk.
    bool reachable = true;
    // True when the operator cancelled the walk.
    bool cancelled = false;

    const QStringList& columnTitles() const { return m_titles; }
    // Per column, one for each title at the same position: package names and their addresses,
    // names[i] belonging to addresses[i]; empty for a category that holds no packages.
    const QList<QPair<QStringList, QStringList>>& columns() const { return m_columns; }
    QButtonGroup* versionGroup(int column) const { return m_versionGroups.value(column); }
    int currentPage(int column) const { return m_pages.value(column); }
    int pageCount(int column) const { return m_pageCounts.value(column); }
    QButtonGroup* lastPageGroup() const { return m_lastGroup; }
    QButtonGroup* nextPageGroup() const { return m_nextGroup; }
    ColorButton* exitButton() const { return m_exitButton; }

    // Fetches `address` and reads its listing; waits up to listingTimeoutMs. True when the
    // server answered (an HTTP error counts as an answer).
    bool fetchListing(const QString& address);
    // How long a listing request may take (ms). The constructor walks the listings, so the
    // value is shared by all dialogs; a test whose outcome is not this timeout raises it, so
    // that a slow machine cannot turn a server's answer into a timeout.
    static int listingTimeoutMs;
    // Reads a listing page as XML; false (logged) when it is not well-formed.
    bool parseListing(const QString& text);
    void collectEntries(const QDomElement& element);

    void showPage(int column);
    void hidePage(int column);

    void setVersionButtonsEnabled(bool enabled);
    // Fetches the package `name` of `column` (the first column listing it when -1) and places it
    // as the pending update package, after a backup of the install folder. Only a complete 200
    // answer that reads through whole as an archive of the package's type counts, and only once
    // the backup is complete; on any failure, a cancel among them, nothing is placed, the pending
    // package stays as it was, false is returned and failureReason() says why.
    bool downloadPackage(const QString& name, int column = -1);
    // Why the last download failed, for the operator; empty after a success.
    QString failureReason() const { return m_failure; }
    // True when the last download was stopped by cancelDownload().
    bool downloadCancelled() const { return m_downloadCancelled; }

    // A download fails once no byte has arrived for this long (ms), once it has taken this long
    // as a whole (ms), and when the package would be larger than the cap (bytes); tests lower
    // them.
    int stallTimeoutMs = 10000;
    int overallTimeoutMs = 20 * 60 * 1000;
    qint64 sizeCapBytes = qint64(512) * 1024 * 1024;

public slots:
    void slotToLastPage(int id);
    void slotToNextPage(int id);
    void acceptDialog();
    // Asks, downloads with a notice on screen whose "取消" stops the transfer, and tells the
    // outcome.
    void onVersionClicked(QAbstractButton* button);
    // Stops the transfer under way, if any: its partial file goes, the pending package stays.
    void cancelDownload();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildColumns();
    // The walk of the listings from the top, in a worker thread, behind a box that can cancel it.
    void readListings();
    // A compressed copy of the install folder in the backup folder, made by tar in a thread of
    // its own behind a progress box. tar writes a partial file that is flushed and renamed into
    // place only when tar has ended well; only then do the earlier copies go. The reason of a
    // failure (the partial file removed, the earlier copies kept), empty on success.
    QString backupInstallFolder();
    // The column whose version group holds `button`, or -1.
    int columnOf(QAbstractButton* button) const;
    // Streams `address` into the file `partial`, checking status, length, size cap, stall and the
    // file type's leading bytes `magic`; the reason of a failure, empty when the file is complete.
    QString streamPackage(const QString& address, const QString& partial, const QByteArray& magic);

    QString m_currentAddress;
    QStringList m_titles;
    QList<QPair<QStringList, QStringList>> m_columns;
    QList<QButtonGroup*> m_versionGroups;
    QList<int> m_pages;
    QList<int> m_pageCounts;
    QButtonGroup* m_lastGroup;
    QButtonGroup* m_nextGroup;
    ColorButton* m_exitButton = nullptr;
    // The walk: addresses fetched so far (none twice) and the present nesting of listings.
    QSet<QString> m_fetched;
    int m_depth = 0;
    // Title position of the category being read, -1 outside one; categories named and answered.
    int m_category = -1;
    int m_categoriesNamed = 0;
    int m_categoriesAnswered = 0;
    std::atomic<bool> m_cancel{false};
    QString m_failure;
    bool m_downloadCancelled = false;
    // Stops the transfer under way; empty outside one.
    std::function<void()> m_abortTransfer;
    // The notice shown while a download runs, or null.
    QDialog* m_notice = nullptr;
};
