#include "export/tableexport.h"
#include "exporttestsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
const QStringList allSuffixes = {QStringLiteral("csv"), QStringLiteral("xls"), QStringLiteral("xlsx")};

// The file's content: the bytes, or for .xlsx (whose zip entries carry the time of writing)
// the cells an independent reader finds.
QString contentOf(const QString& path)
{
    if (!path.endsWith(QLatin1String(".xlsx")))
        return QString::fromLatin1(readFileBytes(path).toHex());
    QString error;
    QString cells;
    for (const SheetReadback& sheet : readSpreadsheet(path, &error))
        for (const QStringList& row : sheet.rows)
            cells += sheet.name + u':' + row.join(u'|') + u'\n';
    return error.isEmpty() ? cells : error;
}

// A folder of its own per case, so leftovers of a failed save show up.
QString freshFolder(const QString& name)
{
    const QString path = TestSupport::workDir() + u'/' + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QVector<PageGrid> someKilobytesOfTables()
{
    CellRows rows;
    for (int row = 0; row < 600; ++row)
        rows +=
            QStringList{QStringLiteral("row %1 of the table ").arg(row), QStringLiteral("%1,50 ").arg(row)};
    return {grid(rows)};
}

// Saves in a child process, after `prepare` has run there, and brings back its result.
SaveResult saveInChild(const QString& fileName, const QVector<PageGrid>& pages,
                       const std::function<void()>& prepare)
{
    int channel[2];
    if (pipe(channel) != 0)
        return SaveResult{false, QStringLiteral("no pipe")};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        prepare();
        const SaveResult result = saveTables(fileName, pages);
        const QByteArray report = (result.ok ? "1" : "0") + result.error.toUtf8();
        const bool sent = write(channel[1], report.constData(), size_t(report.size())) == report.size();
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    QByteArray report;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, got);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || report.isEmpty())
        return SaveResult{true, QStringLiteral("the child process did not report")};
    return SaveResult{report.startsWith('1'), QString::fromUtf8(report.mid(1))};
}

// Files that may not grow beyond `limit` bytes fail writes the way a full disk does (SIGXFSZ
// ignored, so a write reports the error instead).
SaveResult saveWithFileSizeLimit(const QString& fileName, const QVector<PageGrid>& pages, rlim_t limit)
{
    return saveInChild(fileName, pages, [limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
    });
}

// Permissions do not bind the superuser: as root the save runs as the user "nobody", in a
// folder of that user's under /tmp (the tests' own folder is closed to other users).
constexpr uid_t kNobody = 65534;

QString folderForPermissionTests(const QString& name)
{
    if (geteuid() != 0)
        return freshFolder(name);
    QByteArray pattern = "/tmp/zq-" + name.toUtf8() + "-XXXXXX";
    if (!mkdtemp(pattern.data()) || chown(pattern.constData(), kNobody, kNobody) != 0)
        return {};
    return QString::fromUtf8(pattern);
}

SaveResult saveAsUnprivilegedUser(const QString& fileName, const QVector<PageGrid>& pages)
{
    return saveInChild(fileName, pages, [] {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(1);
    });
}

} // namespace

TEST(SaveFailure, AnUnreachableFolderIsReportedWithItsReason)
{
    const QString folder = freshFolder("unreachable");
    writeFileBytes(folder + "/plain.txt", "a file");
    EXPECT_FALSE(saveTables(QString(), {grid({{"a "}})}).ok);
    for (const QString& suffix : allSuffixes) {
        SCOPED_TRACE(suffix.toStdString());
        const SaveResult missing = saveTables(folder + "/missing/x." + suffix, {grid({{"a "}})});
        EXPECT_FALSE(missing.ok);
        EXPECT_TRUE(missing.error.contains("does not exist")) << missing.error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder + "/missing"));

        const SaveResult underFile = saveTables(folder + "/plain.txt/x." + suffix, {grid({{"a "}})});
        EXPECT_FALSE(underFile.ok);
        EXPECT_TRUE(underFile.error.contains("plain.txt\" is a file")) << underFile.error.toStdString();
        EXPECT_EQ(readFileBytes(folder + "/plain.txt"), "a file");

        // The system's own reason reaches the message.
        const SaveResult longName =
            saveTables(folder + '/' + QString(260, 'n') + '.' + suffix, {grid({{"a "}})});
        EXPECT_FALSE(longName.ok);
        EXPECT_TRUE(longName.error.contains("File name too long")) << longName.error.toStdString();

        QDir(folder).mkdir("taken." + suffix);
        const SaveResult onFolder = saveTables(folder + "/taken." + suffix, {grid({{"a "}})});
        EXPECT_FALSE(onFolder.ok);
        EXPECT_TRUE(onFolder.error.contains("is a folder")) << onFolder.error.toStdString();
        EXPECT_TRUE(QFileInfo(folder + "/taken." + suffix).isDir());
    }
}

TEST(SaveFailure, AFileOrFolderWithoutWritePermissionIsKept)
{
    for (const QString& suffix : allSuffixes) {
        SCOPED_TRACE(suffix.toStdString());
        const QString folder = folderForPermissionTests("locked-" + suffix);
        ASSERT_FALSE(folder.isEmpty());
        const QString target = folder + "/tables." + suffix;
        writeFileBytes(target, "earlier file");
        if (geteuid() == 0) {
            ASSERT_EQ(chown(QFile::encodeName(target).constData(), kNobody, kNobody), 0);
        }
        QFile::setPermissions(target, QFileDevice::ReadOwner);
        const SaveResult lockedFile = saveAsUnprivilegedUser(target, {grid({{"a "}})});
        EXPECT_FALSE(lockedFile.ok);
        EXPECT_TRUE(lockedFile.error.contains("permission")) << lockedFile.error.toStdString();

        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const SaveResult lockedFolder = saveAsUnprivilegedUser(target, {grid({{"a "}})});
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(lockedFolder.ok);
        EXPECT_TRUE(lockedFolder.error.contains("permission")) << lockedFolder.error.toStdString();
        EXPECT_EQ(readFileBytes(target), "earlier file");
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"tables." + suffix}));
        if (geteuid() == 0)
            QDir(folder).removeRecursively();
    }
}

// A pipe that nobody reads is refused at once instead of blocking the save for ever, and a
// save into a pipe whose reader stops reading ends when it is interrupted.
TEST(SaveFailure, APipeCannotHoldTheSave)
{
    const QVector<PageGrid> pages = someKilobytesOfTables();
    for (const QString& suffix : allSuffixes) {
        SCOPED_TRACE(suffix.toStdString());
        const QString folder = freshFolder("stuck-" + suffix);
        const QByteArray pipePath = QFile::encodeName(folder + "/pipe." + suffix);
        ASSERT_EQ(mkfifo(pipePath.constData(), 0600), 0);
        const SaveResult unread = saveTables(QFile::decodeName(pipePath), pages);
        EXPECT_FALSE(unread.ok);
        EXPECT_TRUE(unread.error.contains("Nothing reads")) << unread.error.toStdString();

        // A reader that opens the pipe and never reads: the pipe fills up, then the save waits
        // until the interrupt.
        const int reader = open(pipePath.constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        std::atomic<bool> interrupted{false};
        std::thread signal([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            interrupted = true;
        });
        ExportOptions options;
        options.interrupted = &interrupted;
        CellRows rows;
        for (int row = 0; row < 20000; ++row)
            rows += QStringList{QStringLiteral("row %1 of a table larger than a pipe holds ").arg(row)};
        const SaveResult stopped = saveTables(QFile::decodeName(pipePath), {grid(rows)}, options);
        signal.join();
        close(reader);
        EXPECT_FALSE(stopped.ok);
        EXPECT_TRUE(stopped.error.contains("interrupted")) << stopped.error.toStdString();
    }
}

TEST(SaveFailure, AFullDiskFailsTheSaveAndKeepsTheEarlierFile)
{
    for (const QString& suffix : allSuffixes) {
        SCOPED_TRACE(suffix.toStdString());
        const QString folder = freshFolder("full-" + suffix);
        const QString target = folder + "/tables." + suffix;
        writeFileBytes(target, "earlier file");

        const SaveResult result = saveWithFileSizeLimit(target, someKilobytesOfTables(), 4096);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_FALSE(result.error.contains("Unknown error")) << result.error.toStdString();
        EXPECT_EQ(readFileBytes(target), "earlier file");
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"tables." + suffix}));

        // The same save with room enough replaces the file.
        const SaveResult roomy = saveWithFileSizeLimit(target, someKilobytesOfTables(), 1 << 24);
        EXPECT_TRUE(roomy.ok) << roomy.error.toStdString();
        EXPECT_NE(readFileBytes(target), "earlier file");
    }
}

TEST(SaveFailure, LinksAndPipesAreWrittenThroughNotReplaced)
{
    const QVector<PageGrid> pages = {grid({{"a ", "b "}})};
    for (const QString& suffix : allSuffixes) {
        SCOPED_TRACE(suffix.toStdString());
        const QString folder = freshFolder("special-" + suffix);
        ASSERT_TRUE(saveTables(folder + "/plain." + suffix, pages).ok);
        const QString expected = contentOf(folder + "/plain." + suffix);

        // A link keeps pointing to the file, which gets the new content.
        const QString real = folder + "/real." + suffix;
        const QString link = folder + "/link." + suffix;
        writeFileBytes(real, "old");
        ASSERT_TRUE(QFile::link(real, link));
        ASSERT_TRUE(saveTables(link, pages).ok);
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_EQ(contentOf(real), expected);

        // A named pipe is written into, and stays a pipe.
        const QByteArray pipePath = QFile::encodeName(folder + "/pipe." + suffix);
        ASSERT_EQ(mkfifo(pipePath.constData(), 0600), 0);
        QByteArray received;
        std::thread reader([&] { received = readFileBytes(QFile::decodeName(pipePath)); });
        const SaveResult result = saveTables(QFile::decodeName(pipePath), pages);
        // A save that never opened the pipe must not leave the reader waiting for a writer.
        const int release = open(pipePath.constData(), O_WRONLY | O_NONBLOCK);
        if (release >= 0)
            close(release);
        reader.join();
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        const QString receivedCopy = folder + "/received." + suffix;
        writeFileBytes(receivedCopy, received);
        EXPECT_EQ(contentOf(receivedCopy), expected);
        struct stat info {};
        ASSERT_EQ(stat(pipePath.constData(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
    }
}
