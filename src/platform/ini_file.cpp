#include "platform/ini_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>

#include "platform/ansi_codec.h"
#include "platform/numbers.h"

namespace qel {
namespace {

// Far above any settings file; a larger file is damaged or not a settings file at all.
constexpr qint64 kMaxIniFileSize = 32 * 1024 * 1024;

bool IsBlank(QChar aChar) {
    return aChar == QLatin1Char(' ') || aChar == QLatin1Char('\t');
}

// Windows trims blanks and tabs only; other white space belongs to the text.
QString TrimBlanks(QStringView aText) {
    qsizetype begin = 0;
    qsizetype end = aText.size();
    while (begin < end && IsBlank(aText[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(aText[end - 1])) {
        --end;
    }
    return aText.mid(begin, end - begin).toString();
}

bool IsQuoted(const QString& aText) {
    return aText.size() >= 2 && aText.front() == QLatin1Char('"') &&
           aText.back() == QLatin1Char('"');
}

QString ValueFromRaw(QStringView aRawValue) {
    QString value = TrimBlanks(aRawValue);
    if (IsQuoted(value)) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

// Quoted when reading would otherwise lose blanks or a pair of quotes.
QString ValueToRaw(const QString& aValue) {
    if (!aValue.isEmpty() &&
        (IsBlank(aValue.front()) || IsBlank(aValue.back()) || IsQuoted(aValue))) {
        return QLatin1Char('"') + aValue + QLatin1Char('"');
    }
    return aValue;
}

QString SingleLine(const QString& aValue) {
    QString value = aValue;
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

void CheckSectionName(const QString& aSection) {
    Assert(!aSection.isEmpty() && TrimBlanks(aSection) == aSection &&
               !aSection.contains(QLatin1Char(']')) && !aSection.contains(QLatin1Char('\n')) &&
               !aSection.contains(QLatin1Char('\r')),
           QStringLiteral("Invalid ini section name \"%1\"").arg(aSection));
}

void CheckKeyName(const QString& aIdent) {
    Assert(!aIdent.isEmpty() && TrimBlanks(aIdent) == aIdent &&
               !aIdent.contains(QLatin1Char('=')) && !aIdent.contains(QLatin1Char('\n')) &&
               !aIdent.contains(QLatin1Char('\r')) && !aIdent.startsWith(QLatin1Char('[')) &&
               !aIdent.startsWith(QLatin1Char(';')),
           QStringLiteral("Invalid ini key name \"%1\"").arg(aIdent));
}

QString Decode(const QByteArray& aBytes, IniEncoding& aEncoding) {
    const auto* data = reinterpret_cast<const uchar*>(aBytes.constData());
    const qsizetype size = aBytes.size();
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        aEncoding = IniEncoding::Utf8Bom;
        return QString::fromUtf8(aBytes.constData() + 3, size - 3);
    }
    if (size >= 2 &&
        ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        const bool little = data[0] == 0xFF;
        aEncoding = little ? IniEncoding::Utf16LE : IniEncoding::Utf16BE;
        // A dangling odd byte at the end has no character.
        const qsizetype units = (size - 2) / 2;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i) {
            const uchar first = data[2 + 2 * i];
            const uchar second = data[3 + 2 * i];
            text[i] = QChar(little ? (second << 8 | first) : (first << 8 | second));
        }
        return text;
    }
    aEncoding = IniEncoding::Ansi;
    return FromWindows1252(aBytes);
}

QByteArray EncodeUtf16(const QString& aText, bool aLittle) {
    QByteArray bytes;
    bytes.reserve(2 + aText.size() * 2);
    bytes.append(aLittle ? "\xFF\xFE" : "\xFE\xFF", 2);
    for (QChar c : aText) {
        const auto low = static_cast<char>(c.unicode() & 0xFF);
        const auto high = static_cast<char>(c.unicode() >> 8);
        bytes.append(aLittle ? low : high);
        bytes.append(aLittle ? high : low);
    }
    return bytes;
}

}  // namespace

IniFile::IniFile(const QString& aFileName) : FFileName(aFileName) {
    QFile file(aFileName);
    QString text;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            throw EIniFileException(
                QStringLiteral("Cannot read %1: %2").arg(aFileName, file.errorString()));
        }
        if (file.size() > kMaxIniFileSize) {
            throw EIniFileException(QStringLiteral("%1 is too large for a settings file (%2 bytes)")
                                        .arg(aFileName)
                                        .arg(file.size()));
        }
        // Only the size checked above: a file that grows meanwhile is cut there.
        text = Decode(file.read(file.size()), FEncoding);
    }
    parse(text);
}

void IniFile::parse(const QString& aText) {
    FSections.clear();
    FSections.push_back(Section{});
    QStringView rest(aText);
    while (!rest.isEmpty()) {
        qsizetype end = rest.indexOf(QLatin1Char('\n'));
        QStringView line = end < 0 ? rest : rest.left(end);
        rest = end < 0 ? QStringView() : rest.mid(end + 1);
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        const QString trimmed = TrimBlanks(line);
        if (trimmed.startsWith(QLatin1Char('['))) {
            Section section;
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            section.Name = TrimBlanks(QStringView(trimmed).mid(1, close < 0 ? -1 : close - 1));
            section.Header = line.toString();
            FSections.push_back(std::move(section));
            continue;
        }
        Line entry{line.toString(), {}, {}};
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            entry.Key = TrimBlanks(line.left(equals));
            entry.Value = ValueFromRaw(line.mid(equals + 1));
        }
        FSections.back().Lines.push_back(std::move(entry));
    }
    rebuildIndex();
}

void IniFile::rebuildIndex() {
    FIndex.clear();
    for (size_t i = 1; i < FSections.size(); ++i) {
        const QString folded = FSections[i].Name.toCaseFolded();
        if (!FIndex.contains(folded)) {
            FIndex.insert(folded, i);
        }
    }
}

const IniFile::Section* IniFile::findSection(const QString& aSection) const {
    const auto it = FIndex.constFind(aSection.toCaseFolded());
    return it == FIndex.constEnd() ? nullptr : &FSections[it.value()];
}

IniFile::Section* IniFile::findSection(const QString& aSection) {
    const auto it = FIndex.constFind(aSection.toCaseFolded());
    return it == FIndex.constEnd() ? nullptr : &FSections[it.value()];
}

qsizetype IniFile::findLine(const Section& aSection, const QString& aIdent) {
    if (aIdent.isEmpty()) {
        return -1;
    }
    for (size_t i = 0; i < aSection.Lines.size(); ++i) {
        const Line& line = aSection.Lines[i];
        if (!line.Key.isEmpty() && line.Key.compare(aIdent, Qt::CaseInsensitive) == 0) {
            return static_cast<qsizetype>(i);
        }
    }
    return -1;
}

QString IniFile::ReadString(const QString& aSection, const QString& aIdent,
                            const QString& aDefault) const {
    const Section* section = findSection(aSection);
    const qsizetype line = section ? findLine(*section, aIdent) : -1;
    return line >= 0 ? section->Lines[line].Value : aDefault;
}

int32_t IniFile::ReadInteger(const QString& aSection, const QString& aIdent,
                             int32_t aDefault) const {
    return qel::TryStrToInt(ReadString(aSection, aIdent, QString())).value_or(aDefault);
}

bool IniFile::ReadBool(const QString& aSection, const QString& aIdent, bool aDefault) const {
    return ReadInteger(aSection, aIdent, aDefault ? 1 : 0) != 0;
}

double IniFile::ReadFloat(const QString& aSection, const QString& aIdent, double aDefault,
                          QChar aDecimalSeparator) const {
    // Both separators are accepted; the argument is kept so that callers say which one they
    // write, as the writer needs it.
    Q_UNUSED(aDecimalSeparator);
    double value = 0;
    return TryTextToFloat(ReadString(aSection, aIdent, QString()), value) ? value : aDefault;
}

void IniFile::WriteString(const QString& aSection, const QString& aIdent, const QString& aValue) {
    CheckSectionName(aSection);
    CheckKeyName(aIdent);
    const QString value = SingleLine(aValue);
    const QString raw = aIdent + QLatin1Char('=') + ValueToRaw(value);
    Section* section = findSection(aSection);
    if (!section) {
        Section added;
        added.Name = aSection;
        added.Header = QLatin1Char('[') + aSection + QLatin1Char(']');
        added.Lines.push_back(Line{raw, aIdent, value});
        // The files of the Windows programs leave a blank line between sections.
        const Section& last = FSections.back();
        const QString& lastLine = last.Lines.empty() ? last.Header : last.Lines.back().Raw;
        if (!TrimBlanks(lastLine).isEmpty()) {
            FSections.back().Lines.push_back(Line{});
        }
        FSections.push_back(std::move(added));
        FIndex.insert(aSection.toCaseFolded(), FSections.size() - 1);
        return;
    }
    if (const qsizetype found = findLine(*section, aIdent); found >= 0) {
        Line& line = section->Lines[found];
        // An unchanged value keeps its line as it stands.
        if (line.Value != value) {
            line = Line{raw, aIdent, value};
        }
        return;
    }
    // After the last line with content, so that blank lines and comments that lead into the
    // next section stay in front of it.
    size_t position = 0;
    for (size_t i = 0; i < section->Lines.size(); ++i) {
        const QString trimmed = TrimBlanks(section->Lines[i].Raw);
        if (!trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char(';'))) {
            position = i + 1;
        }
    }
    section->Lines.insert(section->Lines.begin() + static_cast<std::ptrdiff_t>(position),
                          Line{raw, aIdent, value});
}

void IniFile::WriteInteger(const QString& aSection, const QString& aIdent, int32_t aValue) {
    WriteString(aSection, aIdent, QString::number(aValue));
}

void IniFile::WriteBool(const QString& aSection, const QString& aIdent, bool aValue) {
    WriteString(aSection, aIdent, aValue ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::WriteFloat(const QString& aSection, const QString& aIdent, double aValue,
                         QChar aDecimalSeparator) {
    WriteString(aSection, aIdent, FloatToText(aValue, aDecimalSeparator));
}

bool IniFile::SectionExists(const QString& aSection) const {
    return findSection(aSection) != nullptr;
}

bool IniFile::ValueExists(const QString& aSection, const QString& aIdent) const {
    const Section* section = findSection(aSection);
    return section && findLine(*section, aIdent) >= 0;
}

QStringList IniFile::ReadSection(const QString& aSection) const {
    QStringList keys;
    if (const Section* section = findSection(aSection)) {
        for (const Line& line : section->Lines) {
            if (!line.Key.isEmpty() && !keys.contains(line.Key, Qt::CaseInsensitive)) {
                keys.append(line.Key);
            }
        }
    }
    return keys;
}

QStringList IniFile::ReadSections() const {
    QStringList names;
    for (size_t i = 1; i < FSections.size(); ++i) {
        if (FIndex.value(FSections[i].Name.toCaseFolded()) == i) {
            names.append(FSections[i].Name);
        }
    }
    return names;
}

QStringList IniFile::ReadSectionValues(const QString& aSection) const {
    QStringList values;
    const Section* section = findSection(aSection);
    if (!section) {
        return values;
    }
    for (const QString& key : ReadSection(aSection)) {
        values.append(key + QLatin1Char('=') + section->Lines[findLine(*section, key)].Value);
    }
    return values;
}

void IniFile::EraseSection(const QString& aSection) {
    if (!findSection(aSection)) {
        return;
    }
    for (size_t i = FSections.size() - 1; i >= 1; --i) {
        if (FSections[i].Name.compare(aSection, Qt::CaseInsensitive) == 0) {
            FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    rebuildIndex();
}

void IniFile::DeleteKey(const QString& aSection, const QString& aIdent) {
    Section* section = findSection(aSection);
    if (!section || aIdent.isEmpty()) {
        return;
    }
    std::erase_if(section->Lines, [&aIdent](const Line& aLine) {
        return !aLine.Key.isEmpty() && aLine.Key.compare(aIdent, Qt::CaseInsensitive) == 0;
    });
}

QString IniFile::Text() const {
    QString text;
    const QLatin1String lineEnd("\r\n");
    for (size_t i = 0; i < FSections.size(); ++i) {
        if (i > 0) {
            text += FSections[i].Header;
            text += lineEnd;
        }
        for (const Line& line : FSections[i].Lines) {
            text += line.Raw;
            text += lineEnd;
        }
    }
    return text;
}

void IniFile::UpdateFile() {
    const QString text = Text();
    QByteArray bytes;
    switch (FEncoding) {
        case IniEncoding::Ansi: {
            bool allFitted = true;
            bytes = ToWindows1252(text, &allFitted);
            if (allFitted) {
                break;
            }
            FEncoding = IniEncoding::Utf8Bom;
            [[fallthrough]];
        }
        case IniEncoding::Utf8Bom:
            bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
            break;
        case IniEncoding::Utf16LE:
            bytes = EncodeUtf16(text, true);
            break;
        case IniEncoding::Utf16BE:
            bytes = EncodeUtf16(text, false);
            break;
    }
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw EIniFileException(
            QStringLiteral("Cannot write %1: %2").arg(FFileName, file.errorString()));
    }
}

QString IniFile::FloatToText(double aValue, QChar aDecimalSeparator) {
    if (std::isnan(aValue)) {
        return QStringLiteral("NAN");
    }
    if (std::isinf(aValue)) {
        return aValue > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    }
    if (aValue == 0) {
        return QStringLiteral("0");
    }
    // 15 significant digits as "d.dddddddddddddde+x", locale-free.
    const QString scientific = QString::number(std::fabs(aValue), 'e', 14);
    const qsizetype ePos = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(1) + scientific.mid(2, ePos - 2);
    const int exponent = scientific.mid(ePos + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0'))) {
        digits.chop(1);
    }
    QString text = aValue < 0 ? QStringLiteral("-") : QString();
    if (exponent >= 15 || exponent < -5) {
        text += digits.left(1);
        if (digits.size() > 1) {
            text += aDecimalSeparator + digits.mid(1);
        }
        return text + QLatin1Char('E') + QString::number(exponent);
    }
    if (exponent < 0) {
        return text + QLatin1Char('0') + aDecimalSeparator +
               QString(-exponent - 1, QLatin1Char('0')) + digits;
    }
    const qsizetype integerDigits = exponent + 1;
    if (digits.size() <= integerDigits) {
        return text + digits + QString(integerDigits - digits.size(), QLatin1Char('0'));
    }
    return text + digits.left(integerDigits) + aDecimalSeparator + digits.mid(integerDigits);
}

bool IniFile::TryTextToFloat(const QString& aText, double& aValue) {
    // [sign] digits [separator digits] [E [sign] digits], with "." or "," as separator.
    QString normal = aText;
    qsizetype i = 0;
    const qsizetype size = normal.size();
    auto digitsFrom = [&normal, size](qsizetype& aPos) {
        const qsizetype start = aPos;
        while (aPos < size && normal[aPos] >= QLatin1Char('0') &&
               normal[aPos] <= QLatin1Char('9')) {
            ++aPos;
        }
        return aPos - start;
    };
    if (i < size && (normal[i] == QLatin1Char('+') || normal[i] == QLatin1Char('-'))) {
        ++i;
    }
    qsizetype mantissaDigits = digitsFrom(i);
    if (i < size && (normal[i] == QLatin1Char('.') || normal[i] == QLatin1Char(','))) {
        normal[i] = QLatin1Char('.');
        ++i;
        mantissaDigits += digitsFrom(i);
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < size && (normal[i] == QLatin1Char('e') || normal[i] == QLatin1Char('E'))) {
        ++i;
        if (i < size && (normal[i] == QLatin1Char('+') || normal[i] == QLatin1Char('-'))) {
            ++i;
        }
        if (digitsFrom(i) == 0) {
            return false;
        }
    }
    if (i != size) {
        return false;
    }
    // Only ASCII is left; from_chars ignores the process locale, and takes no "+".
    QByteArray latin = normal.toLatin1();
    if (latin.startsWith('+')) {
        latin.remove(0, 1);
    }
    double value = 0;
    const char* end = latin.constData() + latin.size();
    const auto result = std::from_chars(latin.constData(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return false;
    }
    aValue = value;
    return true;
}

QString IniBackupFileName(const QString& aFileName, TDateTime aDate) {
    qsizetype nameStart = aFileName.size();
    while (nameStart > 0 && aFileName[nameStart - 1] != QLatin1Char('/') &&
           aFileName[nameStart - 1] != QLatin1Char('\\')) {
        --nameStart;
    }
    const qsizetype dot = aFileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot >= nameStart ? aFileName.left(dot) : aFileName;
    return base + QStringLiteral("_ini_") + FormatDateTime(QStringLiteral("yyyymmdd"), aDate) +
           QStringLiteral(".bak");
}

bool BackupIniFile(const QString& aFileName) {
    const QFileInfo info(aFileName);
    const QDateTime modified = info.lastModified();
    if (!info.isFile() || !modified.isValid()) {
        return false;
    }
    const QString backup = IniBackupFileName(aFileName, QDateTimeToDateTime(modified));
    QFile::remove(backup);
    return QFile::copy(aFileName, backup);
}

}  // namespace qel
