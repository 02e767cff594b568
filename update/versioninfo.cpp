#include "update/versioninfo.h"

#include "platform/nativepath.h"

#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gaugeloft::update {

namespace {

constexpr qsizetype kMaxResourceBytes = 1 << 20;     // a resource counts its length in 16 bits
constexpr qsizetype kMaxSectionTable = 16 << 20;     // section headers, and their names
constexpr quint16 kExtendedIndex = 0xFFFF;           // SHN_XINDEX: the index is in section 0
constexpr quint32 kNoBits = 8;                       // SHT_NOBITS: the section has no bytes

quint16 Le16(const QByteArray& bytes, qsizetype at)
{
    return static_cast<quint16>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

qsizetype Align4(qsizetype n)
{
    return (n + 3) & ~qsizetype(3);
}

// One block of a version resource, checked to lie inside its parent.
struct Block {
    qsizetype end = 0;  // one past its last byte
    int valueLength = 0;
    int type = 0;
    QString key;
    qsizetype value = 0;  // where the value starts
    qsizetype valueBytes = 0;
    qsizetype children = 0;
};

bool ReadBlock(const QByteArray& bytes, qsizetype start, qsizetype limit, Block* block)
{
    if (start < 0 || limit - start < 6)
        return false;
    const qsizetype length = Le16(bytes, start);
    if (length < 6 || length > limit - start)
        return false;
    block->end = start + length;
    block->valueLength = Le16(bytes, start + 2);
    block->type = Le16(bytes, start + 4);
    block->key.clear();
    qsizetype at = start + 6;
    while (true) {
        if (block->end - at < 2)
            return false;  // no terminating zero inside the block
        const quint16 c = Le16(bytes, at);
        at += 2;
        if (c == 0)
            break;
        block->key.append(QChar(c));
    }
    block->value = qMin(Align4(at), block->end);
    // text values count characters, binary ones bytes; a value cannot leave its block
    const qsizetype wanted = block->type == 1 ? qsizetype(block->valueLength) * 2 : block->valueLength;
    block->valueBytes = qMin(wanted, block->end - block->value);
    block->children = qMin(Align4(block->value + wanted), block->end);
    return true;
}

bool FindChild(const QByteArray& bytes, const Block& parent, const QString& key, Block* child)
{
    qsizetype at = parent.children;
    while (at < parent.end) {
        if (!ReadBlock(bytes, at, parent.end, child))
            return false;
        if (child->key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
        at = Align4(child->end);
    }
    return false;
}

// Reads whole ranges of a file, refusing anything but a regular file.
class FileReader {
public:
    explicit FileReader(const QString& fileName)
    {
        const QByteArray native = platform::NativePath(fileName);
        do {
            m_fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        } while (m_fd < 0 && errno == EINTR);
        struct stat info {};
        if (m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode))
            m_size = static_cast<quint64>(info.st_size);
    }
    ~FileReader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    quint64 Size() const { return m_size; }
    bool Read(quint64 offset, char* out, qsizetype size) const
    {
        qsizetype done = 0;
        while (done < size) {
            const ssize_t n = ::pread(m_fd, out + done, static_cast<size_t>(size - done), static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

private:
    int m_fd = -1;
    quint64 m_size = 0;
};

// Unsigned fields of an ELF file in its byte order.
quint64 Field(const QByteArray& bytes, qsizetype at, int width, bool bigEndian)
{
    quint64 value = 0;
    for (int i = 0; i < width; ++i) {
        const quint64 byte = static_cast<unsigned char>(bytes[at + (bigEndian ? i : width - 1 - i)]);
        value = value << 8 | byte;
    }
    return value;
}

bool InFile(quint64 offset, quint64 size, quint64 fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

QByteArray ReadRange(const ReadAt& read, quint64 offset, quint64 size)
{
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (!read(offset, bytes.data(), bytes.size()))
        return QByteArray();
    return bytes;
}

} // namespace

bool QueryVersionResource(const QByteArray& resource, const QString& path, VersionBlockValue* value)
{
    Block block;
    if (!ReadBlock(resource, 0, resource.size(), &block))
        return false;
    const QStringList keys = path.split(u'\\', Qt::SkipEmptyParts);
    for (const QString& key : keys) {
        Block child;
        if (!FindChild(resource, block, key, &child))
            return false;
        block = child;
    }
    value->bytes = resource.mid(block.value, block.valueBytes);
    value->type = block.type;
    value->valueLength = block.valueLength;
    return true;
}

QString VersionResourceValue(const QByteArray& resource, const QString& name)
{
    VersionBlockValue translation;
    if (!QueryVersionResource(resource, QStringLiteral("\\VarFileInfo\\Translation"), &translation)
        || translation.bytes.size() < 4)
        return QString();
    const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\")
                             .arg(Le16(translation.bytes, 0), 4, 16, QLatin1Char('0'))
                             .arg(Le16(translation.bytes, 2), 4, 16, QLatin1Char('0'))
        + name;
    VersionBlockValue string;
    if (!QueryVersionResource(resource, path, &string) || string.valueLength == 0)
        return QString();
    QString text;
    for (qsizetype at = 0; at + 1 < string.bytes.size(); at += 2) {
        const quint16 c = Le16(string.bytes, at);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

QByteArray ElfSectionContents(const ReadAt& read, quint64 fileSize, const QByteArray& sectionName, qsizetype maxBytes)
{
    if (fileSize < 52)
        return QByteArray();
    QByteArray header = ReadRange(read, 0, qMin<quint64>(fileSize, 64));
    if (header.size() < 52 || !header.startsWith("\x7f" "ELF"))
        return QByteArray();
    const int elfClass = header[4];
    const int data = header[5];
    if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2))
        return QByteArray();
    const bool wide = elfClass == 2;
    const bool bigEndian = data == 2;
    if (wide && header.size() < 64)
        return QByteArray();
    const auto field = [bigEndian](const QByteArray& bytes, qsizetype at, int width) {
        return Field(bytes, at, width, bigEndian);
    };
    const quint64 tableOffset = wide ? field(header, 0x28, 8) : field(header, 0x20, 4);
    const quint64 entrySize = field(header, wide ? 0x3A : 0x2E, 2);
    quint64 count = field(header, wide ? 0x3C : 0x30, 2);
    quint64 namesIndex = field(header, wide ? 0x3E : 0x32, 2);
    const quint64 minEntry = wide ? 64 : 40;
    if (tableOffset == 0 || entrySize < minEntry || !InFile(tableOffset, entrySize, fileSize))
        return QByteArray();

    struct Section {
        quint64 name, type, offset, size, link;
    };
    const auto section = [&](const QByteArray& entry) {
        return Section{field(entry, 0, 4), field(entry, 4, 4), wide ? field(entry, 0x18, 8) : field(entry, 0x10, 4),
                       wide ? field(entry, 0x20, 8) : field(entry, 0x14, 4), field(entry, wide ? 0x28 : 0x18, 4)};
    };
    // more than 0xFF00 sections, or a names index beyond that: the real values sit in section 0
    if (count == 0 || namesIndex == kExtendedIndex) {
        const QByteArray first = ReadRange(read, tableOffset, entrySize);
        if (first.isEmpty())
            return QByteArray();
        if (count == 0)
            count = section(first).size;
        if (namesIndex == kExtendedIndex)
            namesIndex = section(first).link;
    }
    if (count == 0 || count > quint64(kMaxSectionTable) / entrySize || namesIndex >= count
        || !InFile(tableOffset, count * entrySize, fileSize))
        return QByteArray();
    const QByteArray table = ReadRange(read, tableOffset, count * entrySize);
    if (table.isEmpty())
        return QByteArray();
    const auto sectionAt = [&](quint64 index) {
        return section(table.mid(static_cast<qsizetype>(index * entrySize), static_cast<qsizetype>(entrySize)));
    };
    const Section names = sectionAt(namesIndex);
    if (names.type == kNoBits || names.size > quint64(kMaxSectionTable) || !InFile(names.offset, names.size, fileSize))
        return QByteArray();
    const QByteArray nameTable = ReadRange(read, names.offset, names.size);
    const QByteArray wanted = sectionName + '\0';
    for (quint64 i = 0; i < count; ++i) {
        const Section s = sectionAt(i);
        if (s.name >= quint64(nameTable.size()) || quint64(nameTable.size()) - s.name < quint64(wanted.size())
            || nameTable.mid(static_cast<qsizetype>(s.name), wanted.size()) != wanted)
            continue;
        if (s.type == kNoBits || s.size > quint64(maxBytes) || !InFile(s.offset, s.size, fileSize))
            return QByteArray();
        return ReadRange(read, s.offset, s.size);
    }
    return QByteArray();
}

QString GetVersionInfoValue(const QString& fileName, const QString& name)
{
    const FileReader file(fileName);
    if (file.Size() == 0)
        return QString();
    const QByteArray resource = ElfSectionContents(
        [&file](quint64 offset, char* out, qsizetype size) { return file.Read(offset, out, size); }, file.Size(),
        QByteArray(kVersionSection), kMaxResourceBytes);
    return VersionResourceValue(resource, name);
}

} // namespace gaugeloft::update
