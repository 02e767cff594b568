// libFuzzer target for the settings file. The input is parsed on its own (printing and parsing
// again must give the same settings) and used as a SettingsStore's file: reads of a few keys,
// one write, which must read back, leave the other values alone and set a corrupt file aside.
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -DQT_NO_KEYWORDS -I. \
//       $(pkg-config --cflags Qt6Core) -fPIC fuzz/reg_fuzz.cpp platform/settingsstore.cpp \
//       platform/regformat.cpp $(pkg-config --libs Qt6Core) -o /tmp/reg_fuzz
//   /tmp/reg_fuzz -max_total_time=600 corpus-copy/ fuzz/corpus/reg/

#include "fuzz/fuzzfolder.h"
#include "platform/regformat.h"
#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <unistd.h>
#include <vector>

using namespace gaugeloft::platform;

namespace {

using gaugeloft::fuzz::Check;

const QString& Folder()
{
    static const gaugeloft::fuzz::TempFolder folder("reg_fuzz");
    return folder.Path();
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

bool Same(const std::optional<SettingsValue>& a, const std::optional<SettingsValue>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    return a->Type == b->Type && a->Text == b->Text && a->Number == b->Number && a->Bytes == b->Bytes;
}

QString FoldedKey(const QString& key)
{
    return regformat::Fold(regformat::NormalizePath(QStringLiteral("HKEY_CURRENT_USER\\") + key));
}

// Read, and the typed read of its type, agree; the other typed reads throw.
void CheckReads(const SettingsStore& store, const QString& key, const QString& name)
{
    const std::optional<SettingsValue> value = store.Read(key, name);
    int thrown = 0;
    try {
        const std::optional<QString> text = store.ReadString(key, name);
        Check(text.has_value() == (value && value->Type == SettingsType::String));
        Check(!text || *text == value->Text);
    } catch (const SettingsError&) {
        ++thrown;
    }
    try {
        const std::optional<std::uint32_t> number = store.ReadDWord(key, name);
        Check(number.has_value() == (value && value->Type == SettingsType::DWord));
        Check(!number || *number == value->Number);
    } catch (const SettingsError&) {
        ++thrown;
    }
    try {
        const std::optional<QByteArray> bytes = store.ReadBinary(key, name);
        Check(bytes.has_value() == (value && value->Type == SettingsType::Binary));
        Check(!bytes || *bytes == value->Bytes);
    } catch (const SettingsError&) {
        ++thrown;
    }
    // Missing: no throws; handled type: two; hex(N) data: three.
    Check(thrown == (value ? 2 : 0) || (!value && thrown == 3));
}

void FuzzParser(const QByteArray& data)
{
    regformat::Document doc;
    if (!regformat::Parse(data, &doc, nullptr)) {
        Check(doc.sections.empty());
        return;
    }
    const QByteArray printed = regformat::Print(doc);
    regformat::Document again;
    Check(regformat::Parse(printed, &again, nullptr));
    Check(again == doc);
    Check(regformat::Print(again) == printed);
}

void FuzzStore(const QByteArray& data)
{
    const QString path = Folder() + QStringLiteral("/registry.reg");
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(data) == data.size());
    }
    regformat::Document doc;
    const bool parsed = data.isEmpty() || regformat::Parse(data, &doc, nullptr);

    QStringList keys = {QStringLiteral("Software\\Marrowind\\Gaugeloft"), QString(), QStringLiteral("Software")};
    const QString root = QStringLiteral("HKEY_CURRENT_USER\\");
    for (const auto& [folded, section] : doc.sections) {
        if (keys.size() < 6 && section.Path().startsWith(root))
            keys.append(section.Path().mid(root.size()));
    }

    SettingsStore store(path);
    struct Seen {
        QString key;
        QString name;
        std::optional<SettingsValue> value;
    };
    std::vector<Seen> before;
    for (const QString& key : keys) {
        const bool exists = store.KeyExists(key);
        const QStringList names = store.ValueNames(key);
        Check(names.isEmpty() || exists);
        Check(parsed || !exists || key.isEmpty());
        for (qsizetype i = 0; i < names.size() && i < 8; ++i) {
            CheckReads(store, key, names[i]);
            before.push_back({key, names[i], store.Read(key, names[i])});
        }
        CheckReads(store, key, QStringLiteral("Missing value"));
    }

    // One write, picked and filled from the input.
    const auto byte = [&](qsizetype i) { return data.isEmpty() ? 0 : static_cast<unsigned char>(data[i % data.size()]); };
    const QString key = keys[byte(0) % keys.size()];
    const QString name = QString::fromUtf8(data.left(byte(1) % 12));
    const QByteArray payload = data.right(byte(2) % 64);
    SettingsValue written;
    switch (byte(3) % 3) {
    case 0:
        written.Type = SettingsType::String;
        written.Text = QString::fromUtf8(payload);
        store.WriteString(key, name, written.Text);
        break;
    case 1:
        written.Type = SettingsType::DWord;
        written.Number = static_cast<std::uint32_t>(byte(4)) << 24 | static_cast<std::uint32_t>(byte(5)) << 8 | byte(6);
        store.WriteDWord(key, name, written.Number);
        break;
    default:
        written.Type = SettingsType::Binary;
        written.Bytes = payload;
        store.WriteBinary(key, name, written.Bytes);
        break;
    }
    Check(Same(store.Read(key, name), written));
    Check(store.KeyExists(key));

    const QString notice = store.TakeSetAsideNotice();
    Check(store.TakeSetAsideNotice().isEmpty());
    Check(notice.isEmpty() == parsed);
    if (!notice.isEmpty()) {
        Check(FileBytes(notice) == data);
        Check(QFile::remove(notice));
    }
    if (parsed) {
        for (const Seen& seen : before) {
            if (FoldedKey(seen.key) != FoldedKey(key) || regformat::Fold(seen.name) != regformat::Fold(name))
                Check(Same(store.Read(seen.key, seen.name), seen.value));
        }
    }
    regformat::Document after;
    Check(regformat::Parse(FileBytes(path), &after, nullptr));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    FuzzParser(input);
    FuzzStore(input);
    return 0;
}
