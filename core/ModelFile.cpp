#include "core/ModelFile.h"

#include "core/FileIO.h"

#include <cstring>

namespace quillet {

static_assert(sizeof(DeviceWorkset::DevSlotBuf) + sizeof(DeviceWorkset::DevRectBuf) + sizeof(DeviceWorkset::DevLocBuf)
                  + sizeof(DeviceWorkset::DevLabelBuf) + sizeof(DeviceWorkset::DevBlockBuf)
              == modelfile::Size,
              "the workset buffers must be packed byte arrays");

namespace {
template <typename Fn> void forEachBuffer(Fn &&fn)
{
    // The file order; every buffer is a contiguous array of records.
    fn(&DeviceWorkset::DevSlotBuf);
    fn(&DeviceWorkset::DevRectBuf);
    fn(&DeviceWorkset::DevLocBuf);
    fn(&DeviceWorkset::DevLabelBuf);
    fn(&DeviceWorkset::DevBlockBuf);
}
}  // namespace

QByteArray modelFileBytes(const DeviceWorkset &dev)
{
    QByteArray out;
    out.reserve(modelfile::Size);
    forEachBuffer([&](auto member) {
        const auto &buf = dev.*member;
        out.append(reinterpret_cast<const char *>(&buf), static_cast<qsizetype>(sizeof buf));
    });
    return out;
}

void fillWorksetFromModelFile(DeviceWorkset &dev, const QByteArray &file)
{
    qsizetype offset = 0;
    forEachBuffer([&](auto member) {
        auto &buf = dev.*member;
        const qsizetype n = static_cast<qsizetype>(sizeof buf);
        if (offset + n <= file.size())
            std::memcpy(&buf, file.constData() + offset, static_cast<size_t>(n));
        offset += n;
    });
}

bool LOAD_MODEL_FILE(const QString &path, DeviceWorkset &dev, QString *error)
{
    QByteArray contents;
    if (!readFileAtMost(path, modelfile::Size, contents, error))
        return false;
    if (contents.size() < modelfile::Size) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a complete model file: it holds %2 bytes, a model needs %3.")
                         .arg(path)
                         .arg(contents.size())
                         .arg(modelfile::Size);
        return false;
    }
    fillWorksetFromModelFile(dev, contents);
    return true;
}

bool SAVE_MODEL_FILE(const QString &path, const DeviceWorkset &dev, QString *error, const SaveFileFactory &makeSaveFile)
{
    return saveWholeFile(path, modelFileBytes(dev), error, makeSaveFile);
}

}  // namespace quillet
