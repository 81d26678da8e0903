#pragma once
// Authenticated encryption of configuration texts (libsodium secretbox). Thread-safe.
//
// Container: the header "ZENQ-ENCRYPTED/1\n", a 24-byte nonce, then the secretbox of the UTF-8 text.
// The key is derived from the crypt-key text and the security level, so a wrong key, a truncated or a
// tampered file fails to open instead of yielding garbage.
#include <QByteArray>
#include <QString>

// The key and security level with which every configuration file is read and written.
QString ZenqStandardCryptKey();
int ZenqStandardSecurityLevel();

QByteArray ZenqEncryptedHeader();
bool ZenqIsEncryptedContent(const QByteArray &bytes);

// Encrypts a text into the container.
QByteArray JCRYPT_PChar(const QString &text, const QString &key, int securityLevel);
// Opens a container. False with *error set when the key is wrong or the content was changed or cut.
bool JDECRYPT_Bytes(const QByteArray &container, const QString &key, int securityLevel, QString *text,
                    QString *error = nullptr);
