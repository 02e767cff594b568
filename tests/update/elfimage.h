#pragma once

// Small ELF files made in memory for the tests of the version reader: a header, the
// sections' bytes, a section-name table and the section headers, 32 or 64 bits, either
// byte order.

#include <QByteArray>
#include <QList>

namespace gaugeloft::testing {

struct ElfSection {
    QByteArray name;
    QByteArray contents;
    quint32 type = 1;  // SHT_PROGBITS
};

struct ElfShape {
    bool wide = true;
    bool bigEndian = false;
    bool extendedCount = false;  // e_shnum 0 and e_shstrndx 0xFFFF, the values in section 0
};

class ElfImage {
public:
    static QByteArray Make(const QList<ElfSection>& sections, ElfShape shape = {})
    {
        ElfImage image(shape);
        return image.Build(sections);
    }

    // Where the header keeps the offset of the section headers, and their count.
    static int TableOffsetField(bool wide) { return wide ? 40 : 32; }
    static int CountField(bool wide) { return wide ? 60 : 48; }
    static int EntrySizeField(bool wide) { return wide ? 58 : 46; }

private:
    explicit ElfImage(ElfShape shape) : m_shape(shape) {}

    void Put(QByteArray& out, qsizetype at, quint64 value, int width) const
    {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (m_shape.bigEndian ? width - 1 - i : i);
            out[at + i] = static_cast<char>((value >> shift) & 0xFF);
        }
    }
    int Word() const { return m_shape.wide ? 8 : 4; }

    QByteArray Build(const QList<ElfSection>& sections)
    {
        const bool wide = m_shape.wide;
        const int headerSize = wide ? 64 : 52;
        const int entrySize = wide ? 64 : 40;
        QByteArray out(headerSize, '\0');
        out[0] = 0x7f;
        out[1] = 'E';
        out[2] = 'L';
        out[3] = 'F';
        out[4] = wide ? 2 : 1;
        out[5] = m_shape.bigEndian ? 2 : 1;
        out[6] = 1;
        Put(out, 16, 2, 2);  // executable
        Put(out, 18, wide ? 62 : 3, 2);
        Put(out, 20, 1, 4);

        QByteArray names(1, '\0');
        QList<quint64> nameOffsets, offsets;
        for (const ElfSection& s : sections) {
            nameOffsets << quint64(names.size());
            names += s.name + '\0';
            offsets << quint64(out.size());
            out += s.contents;
        }
        const quint64 namesName = quint64(names.size());
        names += QByteArray(".shstrtab") + '\0';
        const quint64 namesOffset = quint64(out.size());
        out += names;
        while (out.size() % 8)
            out += '\0';
        const quint64 tableOffset = quint64(out.size());
        const quint64 count = quint64(sections.size()) + 2;
        const quint64 namesIndex = count - 1;
        out += QByteArray(static_cast<qsizetype>(count * entrySize), '\0');
        const auto entry = [&](quint64 index, quint64 name, quint32 type, quint64 offset, quint64 size, quint64 link) {
            const qsizetype at = static_cast<qsizetype>(tableOffset + index * entrySize);
            Put(out, at, name, 4);
            Put(out, at + 4, type, 4);
            Put(out, at + (wide ? 0x18 : 0x10), offset, Word());
            Put(out, at + (wide ? 0x20 : 0x14), size, Word());
            Put(out, at + (wide ? 0x28 : 0x18), link, 4);
        };
        if (m_shape.extendedCount)
            entry(0, 0, 0, 0, count, namesIndex);
        for (qsizetype i = 0; i < sections.size(); ++i)
            entry(quint64(i) + 1, nameOffsets[i], sections[i].type, offsets[i], quint64(sections[i].contents.size()), 0);
        entry(namesIndex, namesName, 3, namesOffset, quint64(names.size()), 0);

        Put(out, TableOffsetField(wide), tableOffset, Word());
        Put(out, wide ? 52 : 40, quint64(headerSize), 2);
        Put(out, EntrySizeField(wide), quint64(entrySize), 2);
        Put(out, CountField(wide), m_shape.extendedCount ? 0 : count, 2);
        Put(out, wide ? 62 : 50, m_shape.extendedCount ? 0xFFFF : namesIndex, 2);
        return out;
    }

    ElfShape m_shape;
};

} // namespace gaugeloft::testing
