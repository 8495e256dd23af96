#include "core/dates.h"
#include "sources/feed_parser.h"

#include <QtTest>

using namespace tovel;

// Dates as publishers and servers really write them.
class TestDates : public QObject
{
    Q_OBJECT

private slots:
    // `utc` is the instant read ("" when the text must be refused); `day` the calendar day as written.
    void dates_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<QString>("day");
        const auto row = [](const char *text, const char *utc, const char *day = nullptr) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(utc)
                                << QString::fromUtf8(day ? day : QByteArray(utc).left(10).constData());
        };
        row("Tue, 02 Jan 2024 10:00:00 GMT", "2024-01-02T10:00:00Z");
        row("Wed, 3 Apr 2019 14:30:00 EST", "2019-04-03T19:30:00Z");
        row("Fri, 29 Dec 2023 23:30:00 PST", "2023-12-30T07:30:00Z", "2023-12-29");
        row("Thu, 07 Nov 2019 22:30:00 -0500", "2019-11-08T03:30:00Z", "2019-11-07");
        row("Fri, 15 Sep 2023 09:00:00 +05:30", "2023-09-15T03:30:00Z");
        row("Fri, 15 Sep 2023 01:00:00 +0200 (CEST)", "2023-09-14T23:00:00Z", "2023-09-15");
        row("Tue, 02 Jan 2024 10:00:00 z", "2024-01-02T10:00:00Z");
        row("Tue, 02 Jan 2024 10:00:00 Y", "2024-01-02T10:00:00Z");
        row("Sat, 01 Jun 2024 12:00 GMT", "2024-06-01T12:00:00Z");
        row("Mon, 02 Jan 2024 10:00:00 GMT", "2024-01-02T10:00:00Z"); // a Tuesday
        row("02 Jan 2024 10:00:00 UT", "2024-01-02T10:00:00Z");
        row("Tue,  2   JAN 2024   10:00:00   gmt ", "2024-01-02T10:00:00Z");
        row("Tuesday, 2 January 2024 10:00:00 GMT", "2024-01-02T10:00:00Z");
        row("Thu, 14 Sept 2023 10:00:00 GMT", "2023-09-14T10:00:00Z");
        row("Tue, 02 Jan 24 10:00:00 GMT", "2024-01-02T10:00:00Z");
        row("Fri, 31 Dec 49 23:59:59 GMT", "2049-12-31T23:59:59Z");
        row("Sun, 01 Jan 50 00:00:00 GMT", "1950-01-01T00:00:00Z");
        row("Sun, 06 Nov 1994 08:49:37 GMT", "1994-11-06T08:49:37Z");
        row("Sunday, 06-Nov-94 08:49:37 GMT", "1994-11-06T08:49:37Z");
        row("Sun Nov  6 08:49:37 1994", "1994-11-06T08:49:37Z");
        row("Tue, 02 Jan 2024", "2024-01-02T00:00:00Z");
        row("2024-03-05", "2024-03-05T00:00:00Z");
        row("2024-03-05T10:20:30+01:00", "2024-03-05T09:20:30Z");
        row("2024-03-05T22:20:30.125-05:00", "2024-03-06T03:20:30.125Z", "2024-03-05");
        row("2024-03-05T10:20", "2024-03-05T10:20:00Z");
        // Refused.
        row("", "", "");
        row("yesterday", "", "");
        row("Tue, 32 Jan 2024 10:00:00 GMT", "", "");
        row("Fri, 30 Feb 2024 10:00:00 GMT", "", "");
        row("Tue, 02 Foo 2024 10:00:00 GMT", "", "");
        row("Tue, 02 Jan 2024 10:00:00 J", "", "");
        row("Tue, 02 Jan 2024 10:00:00 +2500", "", "");
        row("Tue, 02 Jan 2024 10:00:00 GMT trailing", "", "");
        row("02 Jan 10:00:00 GMT", "", "");
        row("2024-13-01", "", "");
        row("2024-03-05T10:20:30 nowhere", "", "");
        // clang-format on
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QString, utc);
        QFETCH(QString, day);
        const std::optional<QDateTime> read = parseDate(text);
        QCOMPARE(read ? read->toString(Qt::ISODateWithMs).replace(".000Z", "Z") : QString(), utc);
        if (read)
            QCOMPARE(read->timeSpec(), Qt::UTC);
        const std::optional<QDate> written = parseWrittenDay(text);
        QCOMPARE(written ? isoDay(*written) : QString(), day);
    }

    // An episode's date tag: its pubDate's day as written, else its dc:date's; a date no one can read is left out.
    void feedDates()
    {
        const QByteArray xml
            = "<rss xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel><title>Show</title>"
              "<item><title>A</title><pubDate>Fri, 29 Dec 2023 23:30:00 PST</pubDate>"
              "<enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"/></item>"
              "<item><title>B</title><dc:date>2024-03-05T10:20:30Z</dc:date>"
              "<enclosure type=\"audio/mpeg\" url=\"http://h/b.mp3\"/></item>"
              "<item><title>C</title><dc:date>2020-01-01</dc:date><pubDate>Tue, 02 Jan 2024 10:00:00 GMT</pubDate>"
              "<enclosure type=\"audio/mpeg\" url=\"http://h/c.mp3\"/></item>"
              "<item><title>D</title><pubDate>sometime</pubDate>"
              "<enclosure type=\"audio/mpeg\" url=\"http://h/d.mp3\"/></item>"
              "</channel></rss>";
        QStringList dates;
        for (const MediaItem &item : parseFeed(xml))
            dates << item.title + ' ' + item.tags.date;
        QCOMPARE(dates, QStringList({"A 2023-12-29", "B 2024-03-05", "C 2024-01-02", "D "}));
    }
};

QTEST_GUILESS_MAIN(TestDates)
#include "tst_dates.moc"
