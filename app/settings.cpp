#include "app/settings.h"

#include <QSettings>

namespace AppSettings {
namespace {

const QString kFileName = QStringLiteral("setting.ini");

QString read(const QString& key)
{
    const QSettings settings(kFileName, QSettings::IniFormat);
    return settings.value(key, QStringLiteral(".")).toString();
}

void write(const QString& key, const QString& value)
{
    QSettings settings(kFileName, QSettings::IniFormat);
    settings.setValue(key, value);
}

} // namespace

QString inputFolder()
{
    return read(QStringLiteral("dir/input"));
}
void setInputFolder(const QString& folder)
{
    write(QStringLiteral("dir/input"), folder);
}
QString layoutFolder()
{
    return read(QStringLiteral("dir/layout"));
}
void setLayoutFolder(const QString& folder)
{
    write(QStringLiteral("dir/layout"), folder);
}
QString outputPath()
{
    return read(QStringLiteral("output/output"));
}
void setOutputPath(const QString& path)
{
    write(QStringLiteral("output/output"), path);
}
bool numbersAsNumbers()
{
    return read(QStringLiteral("output/numbers")) == u"true";
}
void setNumbersAsNumbers(bool on)
{
    write(QStringLiteral("output/numbers"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

bool joinLines()
{
    return read(QStringLiteral("extract/joinLines")) == QLatin1String("true");
}
void setJoinLines(bool on)
{
    write(QStringLiteral("extract/joinLines"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

ScannedPages scannedPages()
{
    const QString value = read(QStringLiteral("recognition/scannedPages"));
    return value == u"always"  ? ScannedPages::Always
           : value == u"never" ? ScannedPages::Never
                               : ScannedPages::Ask;
}
void setScannedPages(ScannedPages choice)
{
    write(QStringLiteral("recognition/scannedPages"),
          choice == ScannedPages::Always  ? QStringLiteral("always")
          : choice == ScannedPages::Never ? QStringLiteral("never")
                                          : QStringLiteral("ask"));
}

QStringList recentFiles()
{
    QSettings settings(kFileName, QSettings::IniFormat);
    QStringList files;
    const int count = settings.beginReadArray(QStringLiteral("recent/files"));
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        const QString path = settings.value(QStringLiteral("path")).toString();
        if (!path.isEmpty())
            files.append(path);
    }
    settings.endArray();
    return files;
}

void setRecentFiles(const QStringList& files)
{
    QSettings settings(kFileName, QSettings::IniFormat);
    // A shorter array would leave the old entries past its end.
    settings.remove(QStringLiteral("recent/files"));
    settings.beginWriteArray(QStringLiteral("recent/files"), int(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("path"), files[i]);
    }
    settings.endArray();
}

std::optional<WindowPlacement> windowPlacement()
{
    const QSettings settings(kFileName, QSettings::IniFormat);
    const QRect geometry = settings.value(QStringLiteral("window/geometry")).toRect();
    if (!geometry.isValid())
        return std::nullopt;
    WindowPlacement placement;
    placement.geometry = geometry;
    placement.maximized = settings.value(QStringLiteral("window/maximized")).toBool();
    placement.listWidth = settings.value(QStringLiteral("window/listWidth"), -1).toInt();
    placement.tableHeight = settings.value(QStringLiteral("window/tableHeight"), -1).toInt();
    return placement;
}

void setWindowPlacement(const WindowPlacement& placement)
{
    QSettings settings(kFileName, QSettings::IniFormat);
    settings.setValue(QStringLiteral("window/geometry"), placement.geometry);
    settings.setValue(QStringLiteral("window/maximized"), placement.maximized);
    settings.setValue(QStringLiteral("window/listWidth"), placement.listWidth);
    settings.setValue(QStringLiteral("window/tableHeight"), placement.tableHeight);
}

} // namespace AppSettings
