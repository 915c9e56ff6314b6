// Keeps a message that repeats from flooding a log: the first message of a kind is written at
// once; further ones of that kind within the window are only counted, and when the window ends
// one line gives the last of them with the number of repeats ("… ×812"). Lives in one thread,
// whose event loop runs the window's end.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class RepeatGate : public QObject {
    Q_OBJECT

public:
    using Writer = std::function<void(const QString& text)>;

    static constexpr int kDefaultWindowMs = 60 * 1000;

    explicit RepeatGate(int windowMs = kDefaultWindowMs, QObject* parent = nullptr);

    // Writes `text` through `write` unless a message of `kind` was written less than the window
    // ago; then it is counted, and `write` gets the summary when the window ends. True when
    // written now.
    bool post(const QString& kind, const QString& text, const Writer& write);
    // Writes the summaries of every window that holds repeats and forgets every kind.
    void flush();
    // For tests: a shorter window; kinds already seen keep their running windows.
    void setWindowMs(int windowMs) { m_windowMs = windowMs; }
    int windowMs() const { return m_windowMs; }
    // Kinds whose window is running.
    int pendingKinds() const { return m_windows.size(); }

    // "text ×repeats".
    static QString summary(const QString& text, int repeats);

private:
    struct Window {
        qint64 startMs = 0;
        int repeats = 0;
        QString lastText;
        Writer write;
    };
    // Summarises and forgets the windows that have ended; restarts the timer for the rest.
    void closeEndedWindows();
    void scheduleTimer();

    int m_windowMs;
    QElapsedTimer m_clock;
    QHash<QString, Window> m_windows;
    QTimer m_timer;
};
