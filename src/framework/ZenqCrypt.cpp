#include "ZenqCrypt.h"

#include <sodium.h>

#include <array>
#include <cstring>
#include <stdexcept>

namespace {

void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

std::array<unsigned char, crypto_secretbox_KEYBYTES> deriveKey(const QString &key, int securityLevel)
{
    std::array<unsigned char, crypto_secretbox_KEYBYTES> derived {};
    const QByteArray material = QByteArrayLiteral("ZenqConfigurationKey\n") + QByteArray::number(securityLevel)
        + '\n' + key.toUtf8();
    crypto_generichash(derived.data(), derived.size(), reinterpret_cast<const unsigned char *>(material.constData()),
                       static_cast<unsigned long long>(material.size()), nullptr, 0);
    return derived;
}

} // namespace

QString ZenqStandardCryptKey()
{
    return QStringLiteral("Vantrel.Zenq.StandardKey");
}

int ZenqStandardSecurityLevel()
{
    return 3;
}

QByteArray ZenqEncryptedHeader()
{
    return QByteArrayLiteral("ZENQ-ENCRYPTED/1\n");
}

bool ZenqIsEncryptedContent(const QByteArray &bytes)
{
    return bytes.startsWith(ZenqEncryptedHeader());
}

QByteArray JCRYPT_PChar(const QString &text, const QString &key, int securityLevel)
{
    ensureSodium();
    const QByteArray plain = text.toUtf8();
    const auto derived = deriveKey(key, securityLevel);
    const QByteArray header = ZenqEncryptedHeader();
    QByteArray out(header.size() + crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + plain.size(), '\0');
    std::memcpy(out.data(), header.constData(), static_cast<size_t>(header.size()));
    auto *nonce = reinterpret_cast<unsigned char *>(out.data() + header.size());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES, reinterpret_cast<const unsigned char *>(plain.constData()),
                          static_cast<unsigned long long>(plain.size()), nonce, derived.data());
    sodium_memzero(const_cast<unsigned char *>(derived.data()), derived.size());
    return out;
}

bool JDECRYPT_Bytes(const QByteArray &container, const QString &key, int securityLevel, QString *text, QString *error)
{
    ensureSodium();
    const QByteArray header = ZenqEncryptedHeader();
    const qsizetype minimum = header.size() + crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (!container.startsWith(header) || container.size() < minimum) {
        if (error)
            *error = QStringLiteral("the encrypted content is incomplete");
        return false;
    }
    const auto *nonce = reinterpret_cast<const unsigned char *>(container.constData() + header.size());
    const auto *cipher = nonce + crypto_secretbox_NONCEBYTES;
    const auto cipherLength = static_cast<unsigned long long>(container.size() - header.size() - crypto_secretbox_NONCEBYTES);
    QByteArray plain(static_cast<qsizetype>(cipherLength - crypto_secretbox_MACBYTES), '\0');
    const auto derived = deriveKey(key, securityLevel);
    const int rc = crypto_secretbox_open_easy(reinterpret_cast<unsigned char *>(plain.data()), cipher, cipherLength, nonce,
                                              derived.data());
    sodium_memzero(const_cast<unsigned char *>(derived.data()), derived.size());
    if (rc != 0) {
        if (error)
            *error = QStringLiteral("the encrypted content was changed or the key is wrong");
        return false;
    }
    if (text)
        *text = QString::fromUtf8(plain);
    return true;
}
