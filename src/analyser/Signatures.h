#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

namespace trevalo {

/// The seven signature files, by resource name.
inline constexpr std::array<const char*, 7> kSignatureNames = {"trnums",  "awNames", "cwareNames", "mwNames",
                                                               "exNames", "dtNames", "kNames"};

/// Where the signature files come from: the program's resources, a folder, or a test's own texts.
class SignatureSource {
public:
    virtual ~SignatureSource() = default;
    /// The whole file; null when there is no such file or it cannot be read.
    virtual QByteArray read(const QString& name) = 0;
};

/// The files compiled into the program, at ":/signatures/<name>.txt".
class ResourceSignatures : public SignatureSource {
public:
    QByteArray read(const QString& name) override;
};

/// "<folder>/<name>.txt": the build's encoded files, or files a maintainer is trying out.
class FolderSignatures : public SignatureSource {
public:
    explicit FolderSignatures(QString folder) : m_folder(std::move(folder)) {}
    QByteArray read(const QString& name) override;

private:
    QString m_folder;
};

/// The entries of one signature file. A file that is missing, not UTF-8 or holds nothing usable gives no
/// entries. Tokens that decode to no character are dropped, with one log line for the file.
QStringList loadSignatureEntries(SignatureSource& source, const QString& name);

} // namespace trevalo
