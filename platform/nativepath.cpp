#include "platform/nativepath.h"

#include <climits>
#include <unistd.h>

namespace gaugeloft::platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at `p` (Unicode table 3-7), 0 when ill-formed.
int SequenceLength(const unsigned char* p, qsizetype left, char32_t* code)
{
    const unsigned char c = p[0];
    if (c < 0x80) {
        *code = c;
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;  // no encoded surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (!IsContinuation(p[i]))
            return 0;
    }
    char32_t value = c & (0xFF >> (length + 1));
    for (int i = 1; i < length; ++i)
        value = (value << 6) | (p[i] & 0x3F);
    *code = value;
    return length;
}

void AppendUtf8(QByteArray& out, char32_t code)
{
    if (code < 0x80) {
        out.append(char(code));
    } else if (code < 0x800) {
        out.append(char(0xC0 | (code >> 6)));
        out.append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(char(0xE0 | (code >> 12)));
        out.append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    } else {
        out.append(char(0xF0 | (code >> 18)));
        out.append(char(0x80 | ((code >> 12) & 0x3F)));
        out.append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    }
}

bool IsEscapedByte(char16_t unit) { return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF; }

} // namespace

QString PathFromNative(const QByteArray& native)
{
    QString out;
    out.reserve(native.size());
    const auto* p = reinterpret_cast<const unsigned char*>(native.constData());
    const qsizetype size = native.size();
    for (qsizetype i = 0; i < size;) {
        char32_t code = 0;
        const int length = SequenceLength(p + i, size - i, &code);
        if (length == 0) {
            out.append(QChar(char16_t(kEscapeBase + p[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(char16_t(code)));
        }
        i += length;
    }
    return out;
}

QByteArray NativePath(const QString& path)
{
    QByteArray out;
    out.reserve(path.size());
    const qsizetype size = path.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = path.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(unit, path.at(i + 1).unicode()));
            ++i;
        } else if (IsEscapedByte(unit)) {
            out.append(char(unit - kEscapeBase));
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(out, 0xFFFD);  // a lone surrogate no decoding made
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

bool PathIsUtf8(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() && QChar::isLowSurrogate(path.at(i + 1).unicode()))
            ++i;
        else if (QChar::isSurrogate(unit))
            return false;
    }
    return true;
}

QString ExecutablePath()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || n >= ssize_t(sizeof buffer))
        return {};
    return PathFromNative(QByteArray(buffer, qsizetype(n)));
}

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

} // namespace gaugeloft::platform
