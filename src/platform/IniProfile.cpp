#include "platform/IniProfile.h"

#include "platform/CodePage.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace tralex {

namespace {

// One line of the text: [start, contentEnd) is its content, [contentEnd, end) its line end.
struct Line {
    qsizetype start;
    qsizetype contentEnd;
    qsizetype end;
};

// Splits at CR LF, LF and lone CR.
QList<Line> splitLines(const QString& text)
{
    QList<Line> lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        const qsizetype contentEnd = i;
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        lines.append({start, contentEnd, i + 1});
        start = i + 1;
    }
    if (start < n)
        lines.append({start, n, n});
    return lines;
}

// Spaces and tabs, the blanks that surround names and values.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The parsed INI text.
class IniText {
public:
    explicit IniText(QString text) : mText(std::move(text)), mLines(splitLines(mText)) {}

    const QString& text() const { return mText; }
    const QList<Line>& lines() const { return mLines; }

    QStringView content(qsizetype line) const
    {
        const Line& l = mLines[line];
        return QStringView(mText).sliced(l.start, l.contentEnd - l.start);
    }

    // The name of a section line, or nothing for other lines.
    std::optional<QStringView> sectionName(qsizetype line) const
    {
        const QStringView c = trimmed(content(line));
        if (!c.startsWith(u'['))
            return std::nullopt;
        const qsizetype close = c.indexOf(u']');
        return trimmed(c.sliced(1, (close < 0 ? c.size() : close) - 1));
    }

    // Index of the '=' of a key line, or -1 for comments, section lines and other lines.
    qsizetype equalsSign(qsizetype line) const
    {
        const QStringView c = content(line);
        const QStringView t = trimmed(c);
        if (t.startsWith(u';') || t.startsWith(u'['))
            return -1;
        return c.indexOf(u'=');
    }

    // The header line of the first section of that name, or -1.
    qsizetype findSection(QStringView name) const
    {
        for (qsizetype i = 0; i < mLines.size(); ++i) {
            const auto found = sectionName(i);
            if (found && sameName(*found, name))
                return i;
        }
        return -1;
    }

    // The line after the last line of the section whose header is at line header.
    qsizetype sectionEnd(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < mLines.size() && !sectionName(i))
            ++i;
        return i;
    }

    // The first line of key in the section whose header is at line header, or -1.
    qsizetype findKey(qsizetype header, QStringView key) const
    {
        const qsizetype end = sectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            const qsizetype equals = equalsSign(i);
            if (equals >= 0 && sameName(trimmed(content(i).first(equals)), key))
                return i;
        }
        return -1;
    }

    QString value(qsizetype line) const
    {
        const QStringView c = content(line);
        return trimmed(c.sliced(equalsSign(line) + 1)).toString();
    }

    // The line end to use for new lines: the first one the text has, else CR LF.
    QString lineEnd() const
    {
        for (const Line& l : mLines)
            if (l.end > l.contentEnd)
                return mText.sliced(l.contentEnd, l.end - l.contentEnd);
        return QStringLiteral("\r\n");
    }

private:
    QString mText;
    QList<Line> mLines;
};

// One change of the text: the units [start, start + removed) are replaced by inserted.
struct Edit {
    qsizetype start = 0;
    qsizetype removed = 0;
    QString inserted;
};

// The edit that sets key in section to value.
Edit planEdit(const IniText& ini, const QString& section, const QString& key, const QString& value)
{
    const QString& text = ini.text();
    const QList<Line>& lines = ini.lines();
    const QString eol = ini.lineEnd();
    const QString keyLine = key + u'=' + value;

    const qsizetype header = ini.findSection(section);
    if (header < 0) {
        // A new section at the end of the file, after a line end for an unended last line.
        Edit edit{text.size(), 0, {}};
        if (!lines.isEmpty() && lines.last().contentEnd == lines.last().end)
            edit.inserted += eol;
        edit.inserted += u'[' + section + u']' + eol + keyLine + eol;
        return edit;
    }

    const qsizetype found = ini.findKey(header, key);
    if (found >= 0) {
        // Only the value changes: the key as written, the blanks after "=" and the line end stay.
        const Line& l = lines[found];
        qsizetype valueStart = l.start + ini.equalsSign(found) + 1;
        while (valueStart < l.contentEnd && isBlank(text[valueStart]))
            ++valueStart;
        return {valueStart, l.contentEnd - valueStart, value};
    }

    // A new key after the last non-blank line of the section, before the blank lines that
    // separate it from the next section.
    qsizetype last = header;
    for (qsizetype i = header + 1; i < ini.sectionEnd(header); ++i)
        if (!trimmed(ini.content(i)).isEmpty())
            last = i;
    const Line& l = lines[last];
    if (l.contentEnd == l.end)  // the last line of the file, without a line end
        return {l.end, 0, eol + keyLine + eol};
    return {l.end, 0, keyLine + eol};
}

// Kept bytes after the edit: those inside the replaced part go, those after it move.
QList<KeptBytes> keptAfter(QList<KeptBytes> kept, const Edit& edit)
{
    ShiftKeptBytes(kept, {TextEdit{edit.start, edit.removed, edit.inserted.size()}});
    return kept;
}

bool isAscii(const QByteArray& bytes)
{
    for (const char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

// The new bytes of the file: in the encoding it had, with its kept bytes; a new or pure-ASCII
// file, or a Windows-31J file that the new text no longer fits, as Tralex's own files.
std::optional<QByteArray> encodeIni(const QString& text, const std::optional<DecodedText>& old,
                                    const QByteArray& oldBytes, const QList<KeptBytes>& kept)
{
    if (!old || (old->encoding == TextEncoding::Utf8 && isAscii(oldBytes)))
        return EncodeOwnFile(text);
    if (old->encoding == TextEncoding::Windows31J) {
        if (auto bytes = EncodeText(text, TextEncoding::Windows31J, kept))
            return bytes;
        return EncodeText(text, TextEncoding::Utf8Bom);
    }
    return EncodeText(text, old->encoding);
}

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

}  // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    auto decoded = DecodeText(f.readAll());
    if (!decoded)
        return {};
    const IniText ini(std::move(decoded->text));
    const qsizetype header = ini.findSection(trimmed(section));
    if (header < 0)
        return {};
    const qsizetype line = ini.findKey(header, trimmed(key));
    return line < 0 ? QString() : ini.value(line);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file)
{
    const QString sectionName = trimmed(section).toString();
    const QString keyName = trimmed(key).toString();
    if (sectionName.isEmpty() || keyName.isEmpty() || hasLineBreak(sectionName)
        || hasLineBreak(keyName) || hasLineBreak(value) || sectionName.contains(u']')
        || keyName.contains(u'=') || keyName.startsWith(u'[') || keyName.startsWith(u';'))
        return false;

    QByteArray oldBytes;
    std::optional<DecodedText> old;
    QFile existing(file);
    if (existing.exists()) {
        // A read-only file is not written, also for a user whom the system would let write it.
        if (!(existing.permissions() & QFileDevice::WriteOwner))
            return false;
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        oldBytes = existing.readAll();
        existing.close();
        old = DecodeText(oldBytes);
        if (!old)
            return false;  // not text we can read: never overwrite it
    }

    const IniText ini(old ? old->text : QString());
    const Edit edit = planEdit(ini, sectionName, keyName, value);
    QString text = ini.text();
    text.replace(edit.start, edit.removed, edit.inserted);
    const auto bytes =
        encodeIni(text, old, oldBytes, old ? keptAfter(old->kept, edit) : QList<KeptBytes>());
    if (!bytes)
        return false;

    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // when everything was written; it refuses a read-only target.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(*bytes) != bytes->size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace tralex
