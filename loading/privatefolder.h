#pragma once

#include <QString>

#include <memory>

// A folder of this process's own, "<temporary folder>/<prefix>-XXXXXX" with mode 0700, made
// for one document's page files and removed with everything in it when the object goes.
//
// The temporary folder is $TMPDIR (or /tmp when unset). A missing, empty or unusable one is
// an error: the folder is never made at the filesystem root or anywhere else instead.
class PrivateFolder {
public:
    // The new folder, or nullptr with `error` set to one line for the user:
    //   "No temporary folder could be created in /no/such: the folder does not exist"
    static std::unique_ptr<PrivateFolder> create(const QString& prefix, QString* error);

    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    QString path() const { return path_; }
    QString temporaryFolder() const { return parent_; }

    // The one way anything is removed: `path` and its contents, only when `path` is a folder
    // named "<prefix>-XXXXXX" directly inside `parent`, both absolute and neither the root.
    // Anything else is refused (false) and left alone.
    static bool removeFolder(const QString& path, const QString& parent, const QString& prefix);
    static bool isPrivateFolderPath(const QString& path, const QString& parent, const QString& prefix);

    // The temporary folder new private folders go into, as set ($TMPDIR or /tmp).
    static QString temporaryRoot();

private:
    PrivateFolder(QString path, QString parent, QString prefix);

    QString path_;
    QString parent_;
    QString prefix_;
};
