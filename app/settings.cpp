#include "settings.h"

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
QString outputPath()
{
    return read(QStringLiteral("output/output"));
}
void setOutputPath(const QString& path)
{
    write(QStringLiteral("output/output"), path);
}

bool joinLines()
{
    return read(QStringLiteral("extract/joinLines")) == QLatin1String("true");
}
void setJoinLines(bool on)
{
    write(QStringLiteral("extract/joinLines"), on ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace AppSettings
