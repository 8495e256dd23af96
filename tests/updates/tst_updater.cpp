#include "support/http_server.h"
#include "support/test_env.h"
#include "updates/updater.h"

#include <QCoroTask>
#include <QtTest>

#include <sodium.h>

using namespace tovel;
using namespace tovel::test;

namespace {

struct KeyPair
{
    QByteArray publicKey; // base64
    QByteArray secret;    // raw
};

KeyPair makeKeys()
{
    unsigned char pk[crypto_sign_PUBLICKEYBYTES];
    unsigned char sk[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(pk, sk);
    return {QByteArray(reinterpret_cast<char *>(pk), sizeof pk).toBase64(), QByteArray(reinterpret_cast<char *>(sk), sizeof sk)};
}

QByteArray sign(const QByteArray &message, const QByteArray &secret)
{
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char *>(message.constData()),
                         quint64(message.size()), reinterpret_cast<const unsigned char *>(secret.constData()));
    return QByteArray(reinterpret_cast<char *>(signature), sizeof signature);
}

QByteArray url64(const QByteArray &bytes, bool padded)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding
                          | (padded ? QByteArray::KeepTrailingEquals : QByteArray::OmitTrailingEquals));
}

QByteArray record(qint64 build, const char *extra = ",\"minimumOS\":null")
{
    return "{\"version\":\"2.0\",\"build\":" + QByteArray::number(build)
        + ",\"url\":\"https://tovel.app/download\",\"notes\":\"Faster.\"" + extra + "}";
}

QByteArray notice(const QByteArray &json, const QByteArray &secret, bool padded = false)
{
    return url64(json, padded) + '.' + url64(sign(json, secret), padded);
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;
    KeyPair keys;

private slots:
    void initTestCase()
    {
        QVERIFY(sodium_init() >= 0);
        keys = makeKeys();
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
    }
    void cleanup()
    {
        server.reset();
        env.reset();
    }

    void notices_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");
        const KeyPair other = makeKeys();
        const QByteArray good = notice(record(7), keys.secret);
        QByteArray tampered = record(7);
        const QByteArray tamperedNotice = url64(tampered.replace("Faster", "Slower"), false) + '.'
            + url64(sign(record(7), keys.secret), false);

        QTest::newRow("unpadded") << good << true;
        QTest::newRow("padded") << notice(record(7, ""), keys.secret, true) << true;
        QTest::newRow("blanks and a trailing line break") << " \n" + good + "\r\n" << true;
        QTest::newRow("optional fields absent") << notice(record(7, ""), keys.secret) << true;
        QTest::newRow("one byte changed after signing") << tamperedNotice << false;
        QTest::newRow("no full stop") << good.left(good.indexOf('.')) << false;
        QTest::newRow("two full stops") << good + ".AAAA" << false;
        QTest::newRow("many full stops") << good + QByteArray(5000, '.') << false;
        QTest::newRow("notes missing, signed") << notice("{\"version\":\"2\",\"build\":7,\"url\":\"u\"}", keys.secret) << false;
        QTest::newRow("build as text, signed") << notice("{\"version\":\"2\",\"build\":\"7\",\"url\":\"u\",\"notes\":\"n\"}", keys.secret) << false;
        QTest::newRow("array, signed") << notice("[1,2]", keys.secret) << false;
        QTest::newRow("invalid UTF-8 JSON, signed") << notice("{\"version\":\"\xff\",\"build\":7,\"url\":\"u\",\"notes\":\"n\"}", keys.secret) << false;
        QTest::newRow("wrong key") << notice(record(7), other.secret) << false;
        QTest::newRow("invalid base64") << QByteArray("%%%%.####") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("huge") << QByteArray(2 * 1024 * 1024, 'A') + '.' + QByteArray(86, 'A') << false;
    }
    void notices()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        const auto info = verifiedUpdate(QString::fromUtf8(text), keys.publicKey);
        QCOMPARE(info.has_value(), accepted);
        if (info) {
            QCOMPARE(info->build, 7);
            QCOMPARE(info->notes, QStringLiteral("Faster."));
            QVERIFY(!info->minimumOS);
        }
    }

    void theFixedKeyIsUsable()
    {
        QCOMPARE(QByteArray(updateSigningKey).size(), 44);
        QCOMPARE(QByteArray::fromBase64(updateSigningKey).size(), 32);
        // A notice signed with some other key is never taken by default.
        QVERIFY(!verifiedUpdate(QString::fromUtf8(notice(record(7), keys.secret))));
    }

    void signerRoundTrip()
    {
        const QString key = env->root() + QStringLiteral("/signing.key");
        const QString json = env->root() + QStringLiteral("/record.json");
        writeFile(json, record(12));
        int status = -1;
        const QByteArray publicKey = runProgram(QStringLiteral(SIGN_NOTICE), {QStringLiteral("--generate-key"), key}, &status).trimmed();
        QCOMPARE(status, 0);
        QCOMPARE(publicKey.size(), 44);
        QCOMPARE(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        const QByteArray signedNotice = runProgram(QStringLiteral(SIGN_NOTICE), {json, key}, &status);
        QCOMPARE(status, 0);
        const auto info = verifiedUpdate(QString::fromUtf8(signedNotice), publicKey);
        QVERIFY(info);
        QCOMPARE(info->build, 12);
        // A record that is no update record is refused rather than signed.
        writeFile(json, "{\"version\":\"2\"}");
        runProgram(QStringLiteral(SIGN_NOTICE), {json, key}, &status);
        QCOMPARE(status, 2);
    }

    void buildNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("build");
        QTest::newRow("plain") << "42" << qint64(42);
        QTest::newRow("dotted") << "1.2" << qint64(1);
        QTest::newRow("plus") << "+7" << qint64(7);
        QTest::newRow("minus") << "-3" << qint64(-3);
        QTest::newRow("empty") << "" << qint64(1);
        QTest::newRow("overflow") << "99999999999999999999" << qint64(1);
        QTest::newRow("blank inside") << "4 2" << qint64(1);
    }
    void buildNumbers()
    {
        QFETCH(QString, text);
        QFETCH(qint64, build);
        QCOMPARE(buildNumberFrom(text), build);
    }

    void checks()
    {
        Updater updater(server->url(QStringLiteral("/appcast.json")), keys.publicKey);
        updater.runningBuild = 5;
        auto serve = [&](int status, const QByteArray &body) {
            HttpServer::Response response;
            response.status = status;
            response.body = body;
            server->route("/appcast.json", response);
        };

        serve(200, notice(record(7), keys.secret));
        QCoro::waitFor(updater.check(true));
        QVERIFY(updater.available());
        QCOMPARE(updater.available()->build, 7);
        QVERIFY(updater.lastChecked());

        // Failures keep the finding; every check still ends with lastChecked set.
        for (int status : {304, 404, 500}) {
            serve(status, notice(record(9), keys.secret));
            const QDateTime before = *updater.lastChecked();
            QTest::qWait(5);
            QCoro::waitFor(updater.check(true));
            QCOMPARE(updater.available()->build, 7);
            QVERIFY(*updater.lastChecked() > before);
        }
        serve(200, "not a notice");
        QCoro::waitFor(updater.check(true));
        QCOMPARE(updater.available()->build, 7);
        QCOMPARE(updater.lastOutcome(), Updater::Outcome::notSigned);

        // An equal (or lower) build clears the earlier finding.
        serve(200, notice(record(5), keys.secret));
        QCoro::waitFor(updater.check(true));
        QVERIFY(!updater.available());
        QCOMPARE(updater.lastOutcome(), Updater::Outcome::notNewer);
    }

    void automaticOffAndNoOverlap()
    {
        Updater updater(server->url(QStringLiteral("/appcast.json")), keys.publicKey);
        updater.setAutomatic(false);
        QCoro::waitFor(updater.check());
        QCOMPARE(server->requests().size(), 0);
        QVERIFY(!updater.lastChecked());

        HttpServer::Response slow;
        slow.body = notice(record(7), keys.secret);
        slow.delayMs = 300;
        server->route("/appcast.json", slow);
        auto first = updater.check(true);
        QVERIFY(updater.checking());
        QCoro::waitFor(updater.check(true)); // returns at once
        QCoro::waitFor(std::move(first));
        QCOMPARE(server->requests().size(), 1);
        QVERIFY(!updater.checking());
        // The setting was stored.
        QCOMPARE(Updater(QUrl()).automatic(), false);
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
