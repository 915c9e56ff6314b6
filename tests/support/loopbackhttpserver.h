// An HTTP server of our own for tests on 127.0.0.1 and a free port, served from a thread of its
// own, one connection at a time. It answers each method and path with the reply set for it,
// records every request, and can be told per request to answer another status or body, to stay
// silent, to close without a word, to send its body in chunks, to cut it short (with or without
// a length), to stall in its middle, to trickle it, to send header lines without end, or to
// drip the whole reply a byte a second.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
public:
    struct Request {
        std::string method;
        std::string path;  // with the query
        std::string headers;
        std::string body;
        std::chrono::steady_clock::time_point at;  // when the request was whole
    };
    enum class Mode {
        Answer,   // status and body, with a length
        Chunked,  // status and body in chunked transfer encoding
        ToClose,  // status and body without a length, ended by the close
        Silent,   // reads the request and never answers
        Close,    // reads the request and closes without answering
        CutShort, // status and a length of twice the body, then the body and the close
        Stall,    // status, the body's length and its first half, then silence until the client leaves
        Redirect, // as Answer, with a Location header naming "/moved"
        CutToClose, // status without a length, the first half of the body, then the close
        Trickle,  // status and the body's length, then the body one byte every 50 ms
        EndlessHeaders, // status, then header lines as fast as the client takes them, never the end
        Drip,     // the whole reply, head and body, one byte a second
        HugeLength, // status and a length of 100 MB, then the body and the close
    };
    // The replies that go on far past any client's deadline, with a name for a test's trace.
    // A reply that `floods` comes faster than a client takes it in: the client leaves it at its
    // deadline or at its own bound on a reply's size, whichever the machine's speed reaches first.
    struct EndlessReply {
        const char* what;
        Mode mode;
        bool floods;
    };
    static constexpr EndlessReply kEndlessReplies[] = {
        {"endless header lines", Mode::EndlessHeaders, true},
        {"a byte a second", Mode::Drip, false},
    };
    struct Reply {
        int status = 200;
        std::string body;
        Mode mode = Mode::Answer;
        std::string contentType = "application/json";
    };

    LoopbackHttpServer();
    virtual ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::uint16_t port() const { return m_port; }
    // "127.0.0.1:<port>".
    std::string address() const;

    // The answer to `method` `path` (path with its query), replacing the default. Requests
    // without an answer: GET gives 404, PUT and POST give 200 with an empty body.
    void setReply(const std::string& method, const std::string& path, Reply reply);
    // Every request so far, in order; or those of one method and path.
    std::vector<Request> requests() const;
    std::vector<Request> requests(const std::string& method, const std::string& path) const;
    void clearRequests();

    // Replies that the client left before they were whole (EndlessHeaders and Drip only): the
    // number so far, and a wait for the count to reach `count`; false when it did not within
    // `limitMs` (a bound against a hang, not a measure).
    int repliesLeftUnfinished() const;
    bool waitForRepliesLeftUnfinished(int count, int limitMs) const;

    // A port on 127.0.0.1 that nothing listens on (at the time of the call).
    static std::uint16_t closedPort();

private:
    void serve();
    void handle(int fd);
    // Sends `text` whole, a byte every `byteGapMs` when that is not 0; false when the client left
    // (or the server stops) before that.
    bool sendWhileClientStays(int fd, const std::string& text, int byteGapMs);
    void noteLeftUnfinished();

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;  // guards the two members below
    std::map<std::string, Reply> m_replies;
    std::vector<Request> m_requests;
    int m_leftUnfinished = 0;
    mutable std::condition_variable m_leftUnfinishedChanged;  // with m_mutex
    std::thread m_thread;
};
