#include "services/RunJournal.h"

#include "platform/SettingsFolder.h"

#include <QCoreApplication>
#include <QtEndian>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

const QByteArray Signature = "TralexJournal 1";
const QString Suffix = QStringLiteral(".tlj");
constexpr char Tab = '\t';

QByteArray encoded(const QByteArray& bytes)
{
    return bytes.toPercentEncoding("/");
}

QByteArray encoded(const QString& text)
{
    return encoded(text.toUtf8());
}

QString textOf(const QByteArray& field)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
}

QByteArray timeText(const QDateTime& time)
{
    return time.toString(Qt::ISODateWithMs).toLatin1();
}

QByteArray line(std::initializer_list<QByteArray> fields)
{
    QByteArray result;
    for (const QByteArray& field : fields) {
        if (!result.isEmpty())
            result += Tab;
        result += field;
    }
    return result + '\n';
}

QString pathOf(const QString& folder, const QString& id)
{
    return QDir(folder).filePath(id + Suffix);
}

// The journals of a folder, oldest first: their names begin with the time they were made.
QStringList journalNames(const QString& folder)
{
    QStringList names = QDir(folder).entryList({QStringLiteral("*") + Suffix}, QDir::Files, QDir::Name);
    for (QString& name : names)
        name.chop(Suffix.size());
    return names;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Reads one record into `run`; false for a line that is not one.
bool readRecord(const QList<QByteArray>& f, JournalRun& run)
{
    const QByteArray& kind = f.at(0);
    if (kind == "run" && f.size() == 7) {
        run.started = QDateTime::fromString(QString::fromLatin1(f.at(1)), Qt::ISODateWithMs);
        run.folder = textOf(f.at(2));
        run.type = textOf(f.at(3));
        run.subFolders = f.at(4) == "1";
        run.backUpFolder = textOf(f.at(5));
        run.undoes = textOf(f.at(6));
        return run.started.isValid();
    }
    if (kind == "pair" && f.size() == 3) {
        run.pairs.append({textOf(f.at(1)), textOf(f.at(2))});
        return true;
    }
    if (kind == "file" && f.size() == 6) {
        bool sizeOk = false;
        bool timeOk = false;
        JournalFile file{QByteArray::fromPercentEncoding(f.at(1)), QByteArray::fromPercentEncoding(f.at(2)),
                         f.at(3).toLongLong(&sizeOk), f.at(4).toLongLong(&timeOk), f.at(5)};
        if (!sizeOk || !timeOk || file.target.isEmpty())
            return false;
        run.files.append(std::move(file));
        return true;
    }
    if (kind == "dropped" && f.size() == 2) {
        const QByteArray target = QByteArray::fromPercentEncoding(f.at(1));
        for (qsizetype i = run.files.size() - 1; i >= 0; --i) {
            if (run.files.at(i).target == target) {
                run.files.removeAt(i);
                break;
            }
        }
        return true;
    }
    if (kind == "undone" && f.size() == 2) {
        run.undone = QDateTime::fromString(QString::fromLatin1(f.at(1)), Qt::ISODateWithMs);
        return true;
    }
    return false;
}

std::optional<JournalRun> parse(const QString& id, const QByteArray& bytes)
{
    // Only whole lines: the last one may have been cut short by a kill.
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    if (lines.isEmpty() || lines.first() != Signature)
        return std::nullopt;
    JournalRun run;
    run.id = id;
    bool sawRun = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).split(Tab);
        if (!readRecord(fields, run))
            continue;  // a damaged line says nothing
        sawRun = sawRun || fields.at(0) == "run";
    }
    if (!sawRun)
        return std::nullopt;
    return run;
}

}  // namespace

RunJournal::RunJournal(QString folder, QString id, int fd)
    : mFolder(std::move(folder)), mId(std::move(id)), mFd(fd)
{
}

RunJournal::~RunJournal()
{
    if (mFd >= 0)
        ::close(mFd);
}

QString RunJournal::DefaultFolder()
{
    return SettingsFolder() + QStringLiteral("Journal/");
}

std::unique_ptr<RunJournal> RunJournal::Begin(const QString& folder, const JournalRun& header,
                                              QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    const QByteArray folderName = QFile::encodeName(folder);
    if (::mkdir(folderName.constData(), 0700) != 0 && errno != EEXIST)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const QString stem = header.started.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz-"))
                         + QString::number(QCoreApplication::applicationPid());
    for (int n = 0; n < 1000; ++n) {
        const QString id = n == 0 ? stem : stem + QLatin1Char('-') + QString::number(n);
        const QByteArray path = QFile::encodeName(pathOf(folder, id));
        const int fd = ::open(path.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return fail(QString::fromLocal8Bit(std::strerror(errno)));
        std::unique_ptr<RunJournal> journal(new RunJournal(folder, id, fd));
        QByteArray head = Signature + '\n';
        head += line({"run", timeText(header.started), encoded(header.folder), encoded(header.type),
                      header.subFolders ? "1" : "0", encoded(header.backUpFolder),
                      encoded(header.undoes)});
        for (const auto& [find, replace] : header.pairs)
            head += line({"pair", encoded(find), encoded(replace)});
        if (!journal->append(head)) {
            const QString why = QString::fromLocal8Bit(std::strerror(errno));
            journal.reset();
            ::unlink(path.constData());
            return fail(why);
        }
        return journal;
    }
    return fail(QString::fromLocal8Bit(std::strerror(EEXIST)));
}

bool RunJournal::append(const QByteArray& text)
{
    return mFd >= 0 && writeAll(mFd, text);
}

bool RunJournal::Record(const JournalFile& file)
{
    if (!append(line({"file", encoded(file.target), encoded(file.backUp), QByteArray::number(file.size),
                      QByteArray::number(file.modifiedNs), file.hash})))
        return false;
    ++mFiles;
    return true;
}

void RunJournal::Drop(const QByteArray& target)
{
    if (append(line({"dropped", encoded(target)})))
        --mFiles;
}

bool RunJournal::Finish()
{
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
    const bool kept = mFiles > 0;
    if (!kept)
        QFile::remove(pathOf(mFolder, mId));
    Prune(mFolder);
    return kept;
}

namespace {

// A fast 64-bit hash of the xxHash64 kind (four lanes over 32-byte stripes, then the tail and a
// final mix): it tells a file changed since the run from one that was not, together with its
// size, at memory speed; nobody is expected to forge a file against it.
constexpr quint64 P1 = 11400714785074694791ULL;
constexpr quint64 P2 = 14029467366897019727ULL;
constexpr quint64 P3 = 1609587929392839161ULL;
constexpr quint64 P4 = 9650029242287828579ULL;
constexpr quint64 P5 = 2870177450012600261ULL;

quint64 rotl(quint64 x, int r)
{
    return (x << r) | (x >> (64 - r));
}

quint64 word64(const char* p)
{
    quint64 v;
    std::memcpy(&v, p, 8);
    return qFromLittleEndian(v);
}

quint32 word32(const char* p)
{
    quint32 v;
    std::memcpy(&v, p, 4);
    return qFromLittleEndian(v);
}

quint64 round64(quint64 acc, quint64 input)
{
    return rotl(acc + input * P2, 31) * P1;
}

quint64 merge64(quint64 acc, quint64 lane)
{
    return (acc ^ round64(0, lane)) * P1 + P4;
}

// One 32-byte stripe into the four lanes.
void stripe(quint64 v[4], const char* p)
{
    for (int i = 0; i < 4; ++i)
        v[i] = round64(v[i], word64(p + 8 * i));
}

}  // namespace

ContentHasher::ContentHasher() : mLanes{P1 + P2, P2, 0, 0 - P1} {}

void ContentHasher::Add(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    mSize += bytes.size();
    if (mBuffered > 0) {
        const qsizetype take = std::min<qsizetype>(32 - mBuffered, end - p);
        std::memcpy(mBuffer + mBuffered, p, size_t(take));
        mBuffered += int(take);
        p += take;
        if (mBuffered < 32)
            return;
        stripe(mLanes, mBuffer);
        mBuffered = 0;
    }
    for (; end - p >= 32; p += 32)
        stripe(mLanes, p);
    std::memcpy(mBuffer, p, size_t(end - p));
    mBuffered = int(end - p);
}

QByteArray ContentHasher::Result() const
{
    quint64 h;
    if (mSize >= 32) {
        const quint64* v = mLanes;
        h = rotl(v[0], 1) + rotl(v[1], 7) + rotl(v[2], 12) + rotl(v[3], 18);
        for (int i = 0; i < 4; ++i)
            h = merge64(h, v[i]);
    } else {
        h = P5;
    }
    h += quint64(mSize);
    const char* p = mBuffer;
    const char* const end = p + mBuffered;
    for (; end - p >= 8; p += 8)
        h = rotl(h ^ round64(0, word64(p)), 27) * P1 + P4;
    if (end - p >= 4) {
        h = rotl(h ^ (quint64(word32(p)) * P1), 23) * P2 + P3;
        p += 4;
    }
    for (; p < end; ++p)
        h = rotl(h ^ (quint64(uchar(*p)) * P5), 11) * P1;
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return QByteArray::number(h, 16).rightJustified(16, '0');
}

QByteArray RunJournal::ContentHash(const QByteArray& content)
{
    ContentHasher hasher;
    hasher.Add(content);
    return hasher.Result();
}

std::optional<JournalRun> RunJournal::Load(const QString& folder, const QString& id)
{
    QFile file(pathOf(folder, id));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(id, file.readAll());
}

QList<JournalRun> RunJournal::History(const QString& folder)
{
    QList<JournalRun> runs;
    const QStringList names = journalNames(folder);
    for (auto name = names.crbegin(); name != names.crend(); ++name)
        if (std::optional<JournalRun> run = Load(folder, *name))
            runs.append(std::move(*run));
    return runs;
}

bool RunJournal::MarkUndone(const QString& folder, const QString& id, const QDateTime& when)
{
    const QByteArray path = QFile::encodeName(pathOf(folder, id));
    const int fd = ::open(path.constData(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A line that a kill cut short is ended first, so that it does not swallow this one.
    QByteArray text = line({"undone", timeText(when)});
    struct stat st {};
    char last = '\n';
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
        text.prepend('\n');
    const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && written;
}

void RunJournal::Prune(const QString& folder, int keep)
{
    const QStringList names = journalNames(folder);
    for (qsizetype i = 0; i + keep < names.size(); ++i)
        QFile::remove(pathOf(folder, names.at(i)));
}

}  // namespace tralex
