// Fast readers for the texts of res_report rows, for passes over many days of rows: the time
// stamps "yyyy-MM-dd hh:mm:ss.zzz" (local time) and the compact JSON arrays of roi_result and
// roi_detail. A text that is not in the compact form falls back to Qt's JSON reader, so both
// read the same; a text that is not an array reads as an empty array.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Local time stamps into milliseconds since the epoch. Keeps the last hour it converted, since
// the rows of a pass come in time order and the time zone conversion is the costly part.
class StampReader {
public:
    // False when `text` is not a valid "yyyy-MM-dd hh:mm:ss.zzz" local time.
    bool read(const QString& text, qint64* msecs);

private:
    QString m_hour;  // "yyyy-MM-dd hh" of m_hourMs
    qint64 m_hourMs = 0;
    bool m_hourValid = false;
};

// roi_result: one integer per region.
void readResultArray(const QString& text, QVector<int>* out);

// The part of a roi_detail element a pass needs: how many integers it holds and its first two.
struct DetailHead {
    int size = 0;
    int first = 0;
    int second = 0;
};
// roi_detail: one head per region; an element that is not an array of integers has size 0.
void readDetailHeads(const QString& text, QVector<DetailHead>* out);
