#pragma once

// Small POSIX helpers for the kernel source's hot reads: a file that is either kept open
// and read with pread at offset 0, or (past the descriptor budget) opened on each read.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <vector>

namespace gaugeloft::sources::kernel {

// How many descriptors one kernel source may keep open (half the soft RLIMIT_NOFILE).
int DescriptorBudget();

class KernelFile {
public:
    KernelFile() = default;
    // Opens `path`; keeps the descriptor when `keepOpen`, else only checks it can be opened.
    KernelFile(const QString& path, bool keepOpen);
    ~KernelFile();
    KernelFile(KernelFile&& other) noexcept;
    KernelFile& operator=(KernelFile&& other) noexcept;
    KernelFile(const KernelFile&) = delete;
    KernelFile& operator=(const KernelFile&) = delete;

    bool IsValid() const { return m_fd >= 0 || !m_path.isEmpty(); }
    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }

    // One read from offset 0 into `buf` (at most `capacity` bytes). Returns the byte count,
    // or -1 with LastError() set.
    long ReadSmall(char* buf, std::size_t capacity);
    // The whole content from offset 0 into `buf` (resized to fit). False on error.
    bool ReadWhole(std::vector<char>& buf);
    int LastError() const { return m_error; }

private:
    int Acquire();
    void Release(int fd);

    int m_fd = -1;
    QByteArray m_path; // set only when the descriptor is not kept
    int m_error = 0;
};

// Reads a small text file whole (discovery only); empty when missing.
QByteArray ReadText(const QString& path);
// The same, trimmed of surrounding white space.
QString ReadTrimmed(const QString& path);

// The entry names of a folder in readdir order (no "." / ".."). Empty when missing.
std::vector<QByteArray> ListFolder(const QByteArray& path);
// True when the folder's entries still equal `known`, in the same order. No allocation.
bool FolderUnchanged(const QByteArray& path, const std::vector<QByteArray>& known);

} // namespace gaugeloft::sources::kernel
