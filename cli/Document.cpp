#include "cli/Document.h"

#include "core/DataFile.h"
#include "core/ModelFile.h"

namespace quillet::cli {

bool loadDocument(const Environment &env, const QString &path, Document &doc, QString *error)
{
    QByteArray contents;
    if (!readInputFile(env, path, doc.kind, contents, error))
        return false;
    doc.path = path;
    if (doc.isModel()) {
        fillWorksetFromModelFile(doc.model, contents);
    } else {
        doc.image = std::make_unique<MemoryImage>();
        fillImageFromDataFile(*doc.image, contents);
    }
    return true;
}

}  // namespace quillet::cli
