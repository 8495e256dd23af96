// Signs an update notice for release, or makes a new signing key pair.
//
//   sign-notice RECORD.json KEYFILE     prints the notice: base64url(record) "." base64url(signature)
//   sign-notice --generate-key KEYFILE  writes a new private key (base64) and prints its public half
//
// The private key never belongs in the repository: whoever holds it can make every copy of Tovel
// announce a release.

#include "updates/updater.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDevice>

#include <cstdio>
#include <sodium.h>

static int failWith(const char *message)
{
    std::fprintf(stderr, "sign-notice: %s\n", message);
    return 2;
}

static QByteArray base64Url(const QByteArray &bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (sodium_init() < 0)
        return failWith("libsodium could not start");

    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--generate-key")) {
        unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
        unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
        crypto_sign_keypair(publicKey, secretKey);
        QFile file(arguments.at(2));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return failWith("the key file exists already or cannot be written");
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(QByteArray(reinterpret_cast<const char *>(secretKey), sizeof secretKey).toBase64() + '\n');
        sodium_memzero(secretKey, sizeof secretKey);
        std::printf("%s\n",
                    QByteArray(reinterpret_cast<const char *>(publicKey), sizeof publicKey).toBase64().constData());
        return 0;
    }
    if (arguments.size() != 3)
        return failWith("usage: sign-notice RECORD.json KEYFILE | sign-notice --generate-key KEYFILE");

    QFile recordFile(arguments.at(1));
    QFile keyFile(arguments.at(2));
    if (!recordFile.open(QIODevice::ReadOnly))
        return failWith("cannot read the update record");
    if (!keyFile.open(QIODevice::ReadOnly))
        return failWith("cannot read the key file");
    const QByteArray record = recordFile.readAll();
    if (!tovel::UpdateInfo::decode(record))
        return failWith("the record needs \"version\", \"build\" (a whole number), \"url\" and \"notes\"");
    const auto secret
        = QByteArray::fromBase64Encoding(keyFile.readAll().trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!secret || secret.decoded.size() != crypto_sign_SECRETKEYBYTES)
        return failWith("the key file does not hold a private key made by --generate-key");

    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char *>(record.constData()),
                         quint64(record.size()), reinterpret_cast<const unsigned char *>(secret.decoded.constData()));
    std::printf("%s.%s\n", base64Url(record).constData(),
                base64Url(QByteArray(reinterpret_cast<const char *>(signature), sizeof signature)).constData());
    return 0;
}
