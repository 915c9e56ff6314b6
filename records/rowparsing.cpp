#include "records/rowparsing.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTime>

namespace {

int digits(const QString& text, int from, int count, bool* ok)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9') {
            *ok = false;
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// A cursor over a compact JSON text; any character it does not expect ends the fast path.
class Cursor {
public:
    explicit Cursor(const QString& text)
        : m_p(text.constData())
        , m_end(text.constData() + text.size())
    {
    }
    bool take(char c)
    {
        if (m_p == m_end || m_p->unicode() != ushort(c))
            return false;
        ++m_p;
        return true;
    }
    bool peek(char c) const { return m_p != m_end && m_p->unicode() == ushort(c); }
    bool atEnd() const { return m_p == m_end; }
    bool integer(int* value)
    {
        const bool negative = take('-');
        if (m_p == m_end || m_p->unicode() < '0' || m_p->unicode() > '9')
            return false;
        qint64 v = 0;
        while (m_p != m_end && m_p->unicode() >= '0' && m_p->unicode() <= '9') {
            v = v * 10 + (m_p->unicode() - '0');
            if (v > 2147483648LL)
                return false;
            ++m_p;
        }
        v = negative ? -v : v;
        if (v > 2147483647LL)
            return false;
        *value = int(v);
        return true;
    }

private:
    const QChar* m_p;
    const QChar* m_end;
};

// "[a,b,...]" of integers; calls `each` for every integer. False when the form differs.
template <typename Each>
bool intArray(Cursor& c, Each each)
{
    if (!c.take('['))
        return false;
    if (c.take(']'))
        return true;
    do {
        int v = 0;
        if (!c.integer(&v))
            return false;
        each(v);
    } while (c.take(','));
    return c.take(']');
}

bool fastResult(const QString& text, QVector<int>* out)
{
    Cursor c(text);
    return intArray(c, [out](int v) { out->append(v); }) && c.atEnd();
}

bool fastDetail(const QString& text, QVector<DetailHead>* out)
{
    Cursor c(text);
    if (!c.take('['))
        return false;
    if (c.take(']'))
        return c.atEnd();
    do {
        DetailHead head;
        const bool ok = intArray(c, [&head](int v) {
            if (head.size == 0)
                head.first = v;
            else if (head.size == 1)
                head.second = v;
            ++head.size;
        });
        if (!ok)
            return false;
        out->append(head);
    } while (c.take(','));
    return c.take(']') && c.atEnd();
}

QJsonArray jsonArray(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).array();
}

}  // namespace

bool StampReader::read(const QString& text, qint64* msecs)
{
    if (text.size() != 23 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-')
        || text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':') || text.at(16) != QLatin1Char(':')
        || text.at(19) != QLatin1Char('.'))
        return false;
    bool ok = true;
    const int minute = digits(text, 14, 2, &ok);
    const int second = digits(text, 17, 2, &ok);
    const int ms = digits(text, 20, 3, &ok);
    if (!ok || minute > 59 || second > 59)
        return false;
    if (!m_hourValid || QStringRef(&text, 0, 13) != m_hour) {
        const int year = digits(text, 0, 4, &ok);
        const int month = digits(text, 5, 2, &ok);
        const int day = digits(text, 8, 2, &ok);
        const int hour = digits(text, 11, 2, &ok);
        const QDateTime start(QDate(year, month, day), QTime(hour, 0));
        m_hourValid = false;
        if (!ok || !start.isValid())
            return false;
        m_hour = text.left(13);
        m_hourMs = start.toMSecsSinceEpoch();
        m_hourValid = true;
    }
    *msecs = m_hourMs + qint64(minute) * 60000 + second * 1000 + ms;
    return true;
}

void readResultArray(const QString& text, QVector<int>* out)
{
    out->clear();
    if (fastResult(text, out))
        return;
    out->clear();
    for (const QJsonValue v : jsonArray(text))
        out->append(v.toInt());
}

void readDetailHeads(const QString& text, QVector<DetailHead>* out)
{
    out->clear();
    if (fastDetail(text, out))
        return;
    out->clear();
    for (const QJsonValue v : jsonArray(text)) {
        const QJsonArray element = v.toArray();
        DetailHead head;
        head.size = element.size();
        head.first = element.isEmpty() ? 0 : element.at(0).toInt();
        head.second = element.size() < 2 ? 0 : element.at(1).toInt();
        out->append(head);
    }
}
