// The picture help: full-screen pages of prepared PNG pictures from ./help/ (Simplified Chinese)
// or ./help-en/ (every other language), turned with previous, next, alarm and return buttons.
// The pictures are read once, when the main window builds the screen. GUI thread only.
#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

class ColorButton;

class HelpWidget : public QWidget {
    Q_OBJECT

public:
    // At most this many pages are loaded; further files are not shown.
    static constexpr int kMaxPages = 50;
    // The alarm help is the seventh page.
    static constexpr int kAlarmPage = 6;

    // Covers the whole screen of `parent` (the main window).
    explicit HelpWidget(QWidget* parent = nullptr);

    // Pages loaded (0 .. kMaxPages).
    int pageCount() const { return m_pages.size(); }
    // Folder the pages came from, with its trailing slash.
    const QString& folder() const { return m_folder; }

    ColorButton* lastButton() const { return m_lastButton; }
    ColorButton* nextButton() const { return m_nextButton; }
    ColorButton* alarmButton() const { return m_alarmButton; }
    ColorButton* returnButton() const { return m_returnButton; }

public slots:
    void SlotReturn();
    // The next page, the first after the last; nothing to turn without pages.
    void SlotNext();
    // The previous page, the last before the first; nothing to turn without pages.
    void SlotLast();
    // The alarm help; the page stays as it is when fewer than seven pages are loaded.
    void SlotAlarm();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void loadPages();

    QString m_folder;
    QList<QPixmap> m_pages;
    ColorButton* m_lastButton;
    ColorButton* m_nextButton;
    ColorButton* m_alarmButton;
    ColorButton* m_returnButton;
};
