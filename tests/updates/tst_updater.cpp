#include "support/http_server.h"
#include "support/test_env.h"
#include "updates/updater.h"

#include <QCoroTask>
#include <QtTest>

#include <sodium.h>

using namespace tovel;
using namespace tovel::test;

namespace {

unsigned char *raw(QByteArray &data)
{
    return reinterpret_cast<unsigned char *>(data.data());
}

QByteArray record(qint64 build, const char *extra = ",\"minimumOS\":null")
{
    return "{\"version\":\"2.0\",\"build\":" + QByteArray::number(build)
        + ",\"url\":\"https://tovel.app/download\",\"notes\":\"Faster.\"" + extra + "}";
}

// "base64url(json).base64url(signature)".
QByteArray notice(QByteArray json, QByteArray secret, bool padded = false)
{
    QByteArray signature(crypto_sign_BYTES, 0);
    crypto_sign_detached(raw(signature), nullptr, raw(json), quint64(json.size()), raw(secret));
    const auto encoding
        = QByteArray::Base64UrlEncoding | (padded ? QByteArray::KeepTrailingEquals : QByteArray::OmitTrailingEquals);
    return json.toBase64(encoding) + '.' + signature.toBase64(encoding);
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

    TestEnv env; // one for the whole run: settings are read once per process
    HttpServer server;
    // Two Ed25519 key pairs: the public halves in base64, the secret halves raw. Only the first is trusted.
    QByteArray publicKey, secret, otherKey, otherSecret;

private slots:
    void initTestCase()
    {
        QVERIFY(sodium_init() >= 0);
        for (auto [pk, sk] : {std::pair{&publicKey, &secret}, std::pair{&otherKey, &otherSecret}}) {
            pk->resize(crypto_sign_PUBLICKEYBYTES);
            sk->resize(crypto_sign_SECRETKEYBYTES);
            crypto_sign_keypair(raw(*pk), raw(*sk));
            *pk = pk->toBase64();
        }
    }

    void notices_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");
        const QByteArray good = notice(record(7), secret);
        QTest::newRow("unpadded") << good << true;
        QTest::newRow("padded, optional fields absent") << notice(record(7, ""), secret, true) << true;
        QTest::newRow("blanks and a trailing line break") << " \n" + good + "\r\n" << true;
        const QByteArray slower = notice(record(7).replace("Faster", "Slower"), secret);
        QTest::newRow("record changed after signing") << slower.left(slower.indexOf('.')) + good.mid(good.indexOf('.'))
                                                       << false;
        QTest::newRow("no full stop") << good.left(good.indexOf('.')) << false;
        QTest::newRow("two full stops") << good + ".AAAA" << false;
        // Signed, but no update record.
        const auto json = [](QByteArray text) { return text.replace('\'', '"'); };
        QTest::newRow("notes missing") << notice(json("{'version':'2','build':7,'url':'u'}"), secret) << false;
        QTest::newRow("build as text") << notice(json("{'version':'2','build':'7','url':'u','notes':'n'}"), secret)
                                       << false;
        QTest::newRow("array") << notice("[1,2]", secret) << false;
        QTest::newRow("invalid UTF-8") << notice(json("{'version':'\xff','build':7,'url':'u','notes':'n'}"), secret)
                                       << false;
        QTest::newRow("wrong key") << notice(record(7), otherSecret) << false;
        QTest::newRow("invalid base64") << QByteArray("%%%%.####") << false;
        QTest::newRow("huge") << QByteArray(2 * 1024 * 1024, 'A') + '.' + QByteArray(86, 'A') << false;
        // clang-format on
    }
    void notices()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        const auto info = verifiedUpdate(QString::fromUtf8(text), publicKey);
        QCOMPARE(info.has_value(), accepted);
        if (info) {
            QCOMPARE(info->build, 7);
            QCOMPARE(info->notes, "Faster.");
            QVERIFY(!info->minimumOS);
            // Only our own key is trusted by default.
            QVERIFY(!verifiedUpdate(QString::fromUtf8(text)));
        }
    }

    void signerRoundTrip()
    {
        const QString key = env.root() + "/signing.key", json = env.root() + "/record.json";
        writeFile(json, record(12));
        int status = -1;
        const QByteArray generated = runProgram(SIGN_NOTICE, {"--generate-key", key}, &status).trimmed();
        QCOMPARE(status, 0);
        QCOMPARE(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        const QByteArray signedNotice = runProgram(SIGN_NOTICE, {json, key}, &status);
        QCOMPARE(status, 0);
        QCOMPARE(verifiedUpdate(QString::fromUtf8(signedNotice), generated).value_or(UpdateInfo()).build, 12);
        // A record that is no update record is refused rather than signed.
        writeFile(json, "{\"version\":\"2\"}");
        runProgram(SIGN_NOTICE, {json, key}, &status);
        QCOMPARE(status, 2);
    }

    void buildNumbers()
    {
        // A decimal integer, signed or not; anything else is build 1.
        const QList<std::pair<QString, qint64>> cases{
            {"42", 42}, {"+7", 7}, {"-3", -3}, {"1.2", 1}, {"", 1}, {"4 2", 1}, {"99999999999999999999", 1}};
        for (const auto &[text, build] : cases)
            QVERIFY2(buildNumberFrom(text) == build, qPrintable(text));
    }

    void checks()
    {
        Updater updater(server.url("/appcast.json"), publicKey, 5);
        server.serve("/appcast.json", notice(record(7), secret));
        // With automatic checks off, only the user's own checks ask; the setting is kept.
        updater.setAutomatic(false);
        QCoro::waitFor(updater.check());
        QVERIFY(server.requests().isEmpty() && !updater.lastChecked());
        QCOMPARE(Updater(QUrl()).automatic(), false);
        QCoro::waitFor(updater.check(true));
        QCOMPARE(updater.available().value_or(UpdateInfo()).build, 7);

        // Failures keep the finding; every check still ends with lastChecked set.
        for (const int status : {304, 404, 500, 200}) {
            server.serve("/appcast.json", status == 200 ? "not a notice" : notice(record(9), secret), status);
            const QDateTime before = *updater.lastChecked();
            QTest::qWait(5);
            QCoro::waitFor(updater.check(true));
            QCOMPARE(updater.available().value_or(UpdateInfo()).build, 7);
            QVERIFY(*updater.lastChecked() > before);
        }
        QCOMPARE(updater.lastOutcome(), Updater::Outcome::notSigned);

        // An equal (or lower) build clears the earlier finding. A check asked for during another does nothing.
        server.route("/appcast.json", {.body = notice(record(5), secret), .delayMs = 300});
        const qsizetype asked = server.requests().size();
        auto first = updater.check(true);
        QVERIFY(updater.checking());
        QCoro::waitFor(updater.check(true));
        QCoro::waitFor(std::move(first));
        QCOMPARE(server.requests().size(), asked + 1);
        QVERIFY(!updater.checking() && !updater.available());
        QCOMPARE(updater.lastOutcome(), Updater::Outcome::notNewer);
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
