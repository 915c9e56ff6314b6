// Collects every glog message while it exists, with Qt messages routed into glog through the
// monitor's own handler, as in the program.
#pragma once

#include "core/logmanager.h"

#include <glog/logging.h>

#include <mutex>
#include <string>
#include <vector>

class LogCapture : public google::LogSink {
public:
    struct Message {
        google::LogSeverity severity;
        std::string file;  // glog's base file name of the logging statement
        std::string text;
    };

    LogCapture()
    {
        m_minLevel = FLAGS_minloglevel;
        FLAGS_minloglevel = 0;
        google::AddLogSink(this);
        m_previousHandler = qInstallMessageHandler(&LogManager::messageHandler);
    }
    ~LogCapture() override
    {
        qInstallMessageHandler(m_previousHandler);
        google::RemoveLogSink(this);
        FLAGS_minloglevel = m_minLevel;
    }
    void send(google::LogSeverity severity, const char*, const char* baseName, int, const google::LogMessageTime&,
              const char* message, size_t length) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({severity, baseName, std::string(message, length)});
    }
    std::vector<Message> messages()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    // The texts only.
    std::vector<std::string> lines()
    {
        std::vector<std::string> texts;
        for (const Message& m : messages())
            texts.push_back(m.text);
        return texts;
    }
    bool contains(const std::string& text)
    {
        for (const std::string& line : lines())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    int m_minLevel = 0;
    QtMessageHandler m_previousHandler = nullptr;
    std::mutex m_mutex;
    std::vector<Message> m_messages;
};
