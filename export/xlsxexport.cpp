#include "export/xlsxexport.h"

#include "export/documentrows.h"
#include "export/filesaving.h"
#include "export/spreadsheetexport.h"
#include "export/writtennumber.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("TableExport", text);
}

// Writes the rows through libxlsxwriter to `path`; an empty string on success, else the reason.
class XlsxWorkbookWriter {
public:
    XlsxWorkbookWriter(const DocumentRows& rows, const ExportOptions& options) : rows_(rows)
    {
        if (options.numbersAsNumbers)
            mark_ = documentDecimalMark(rows);
    }

    QString write(const QByteArray& path)
    {
        // The library's own temporary files follow TMPDIR like every other file of ours.
        QByteArray temporaryFolder = QFile::encodeName(QDir::tempPath());
        lxw_workbook_options settings{};
        settings.constant_memory = LXW_TRUE;
        settings.tmpdir = temporaryFolder.data();
        workbook_ = workbook_new_opt(path.constData(), &settings);
        if (!workbook_)
            return tr("The Excel workbook could not be started.");
        const bool filled = fill();
        errno = 0;
        const lxw_error closed = workbook_close(workbook_); // frees the workbook in any case
        const int systemError = errno;
        workbook_ = nullptr;
        if (!filled)
            return tr("The tables could not be laid out in the Excel file.");
        if (closed != LXW_NO_ERROR)
            return QString::fromLocal8Bit(systemError != 0 ? std::strerror(systemError)
                                                           : lxw_strerror(closed));
        return {};
    }

private:
    bool fill()
    {
        blankFormat_ = workbook_add_format(workbook_);
        lxw_worksheet* sheet = nullptr;
        const int columns = rows_.columnCount();
        QByteArray utf8;
        for (int index = 0; index < rows_.rowCount(); ++index) {
            const lxw_row_t sheetRow = lxw_row_t(index % XlsxLimits::rowsPerSheet);
            if (sheetRow == 0) {
                const QByteArray name = "Sheet" + QByteArray::number(index / XlsxLimits::rowsPerSheet + 1);
                sheet = workbook_add_worksheet(workbook_, name.constData());
                if (!sheet)
                    return false;
            }
            const auto cells = rows_.row(index);
            for (int column = 0; column < columns; ++column) {
                const lxw_col_t sheetColumn = lxw_col_t(column);
                lxw_error result;
                if (std::size_t(column) >= cells.size() || cells[column].isEmpty()) {
                    // A blank with a format is kept as a cell, so every row holds its padding.
                    result = worksheet_write_blank(sheet, sheetRow, sheetColumn, blankFormat_);
                } else if (const auto number =
                               mark_ ? readWrittenNumber(cells[column], *mark_) : std::nullopt) {
                    result = worksheet_write_number(sheet, sheetRow, sheetColumn, number->value,
                                                    numberFormat(number->format));
                } else {
                    utf8 = cells[column].toUtf8();
                    result = worksheet_write_string(sheet, sheetRow, sheetColumn, utf8.constData(), nullptr);
                }
                if (result != LXW_NO_ERROR)
                    return false;
            }
        }
        return true;
    }

    lxw_format* numberFormat(const QString& format)
    {
        lxw_format*& known = numberFormats_[format];
        if (!known) {
            known = workbook_add_format(workbook_);
            format_set_num_format(known, format.toUtf8().constData());
        }
        return known;
    }

    const DocumentRows& rows_;
    std::optional<DecimalMark> mark_;
    lxw_workbook* workbook_ = nullptr;
    lxw_format* blankFormat_ = nullptr;
    QHash<QString, lxw_format*> numberFormats_; // owned by the workbook
};

// A new, empty file beside `target` ("/d/.name.1a2b3c4d.tmp"), made with the permissions any
// new file gets; an empty name when none could be made.
QByteArray createTemporaryFileBeside(const QByteArray& target)
{
    const QFileInfo info(QFile::decodeName(target));
    const QByteArray prefix = QFile::encodeName(info.absolutePath() + "/." + info.fileName().left(64) + ".");
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(random()));
        const QByteArray name = prefix + suffix;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

SaveResult failure(const QString& fileName, QString reason)
{
    // The message closes the reason with its own full stop.
    while (reason.endsWith(u'.'))
        reason.chop(1);
    return SaveResult{false, describeWriteFailure(fileName, reason)};
}

// A pipe or a device gets the finished file's bytes written into it.
SaveResult writeIntoSpecialFile(const QString& fileName, const QString& path, XlsxWorkbookWriter& writer,
                                const std::atomic<bool>* interrupted)
{
    const QByteArray temporary = createTemporaryFileBeside(QFile::encodeName(QDir::tempPath() + "/workbook"));
    if (temporary.isEmpty())
        return failure(fileName, QString::fromLocal8Bit(std::strerror(errno)));
    const QString error = writer.write(temporary);
    QFile written(QFile::decodeName(temporary));
    const bool readable = error.isEmpty() && written.open(QIODevice::ReadOnly);
    const QByteArray bytes = readable ? written.readAll() : QByteArray();
    written.remove();
    if (!error.isEmpty())
        return failure(fileName, error);
    if (!readable)
        return failure(fileName, written.errorString());
    return writeFileSafely(path, bytes, interrupted);
}
} // namespace

SaveResult writeXlsxFile(const QString& fileName, const QVector<PageGrid>& pages,
                         const ExportOptions& options)
{
    const DocumentRows rows(pages);
    const QString limitError = spreadsheetLimitError(rows, XlsxLimits::columns);
    if (!limitError.isEmpty())
        return SaveResult{false, limitError};
    const QString obstacle = writeObstacle(fileName);
    if (!obstacle.isEmpty())
        return SaveResult{false, obstacle};

    XlsxWorkbookWriter writer(rows, options);
    // A link is followed, so the file it points to is replaced and the link stays.
    const QFileInfo target(fileName);
    const QString path = target.isSymLink() && target.exists() ? target.canonicalFilePath() : fileName;
    const QFileInfo resolved(path);
    if (resolved.exists() && !resolved.isFile())
        return writeIntoSpecialFile(fileName, path, writer, options.interrupted);

    const QByteArray encodedPath = QFile::encodeName(path);
    const QByteArray temporary = createTemporaryFileBeside(encodedPath);
    if (temporary.isEmpty())
        return failure(fileName, QString::fromLocal8Bit(std::strerror(errno)));
    const QString error = writer.write(temporary);
    if (error.isEmpty()) {
        struct stat existing;
        if (::stat(encodedPath.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
            ::chmod(temporary.constData(), existing.st_mode & 07777);
        if (::rename(temporary.constData(), encodedPath.constData()) == 0)
            return SaveResult{true, {}};
    }
    const int renameError = errno;
    ::unlink(temporary.constData());
    return failure(fileName, error.isEmpty() ? QString::fromLocal8Bit(std::strerror(renameError)) : error);
}
