// Writes the run-time data folder: the element catalogue, the plan icons of every element kind and
// state, and the throttle glyphs. The output depends on nothing but this code, byte for byte.

#include "tools/BmpFile.h"
#include "tools/Catalogue.h"
#include "tools/ElementKinds.h"
#include "tools/PlanIcons.h"
#include "tools/ThrottleGlyphs.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <string>

namespace {

bool fail(const QString& path) {
    std::fprintf(stderr, "quarn_assetgen: cannot write %s\n", qPrintable(path));
    return false;
}

bool generate(const QDir& dir) {
    const QString catalogue = dir.filePath("Elemente1.dat");
    const std::string catalogueBytes = assets::catalogueFile(assets::englishKindName);
    if (!writeFileIfChanged(catalogue, QByteArray(catalogueBytes.data(), qsizetype(catalogueBytes.size()))))
        return fail(catalogue);
    for (int kind = 1; kind <= assets::kKindCount; ++kind) {
        for (int state : assets::kIconStates) {
            const QString path = dir.filePath(QString::fromStdString(assets::iconFileName(kind, state)));
            if (!writeBmp24(assets::planIcon(kind, state), path))
                return fail(path);
        }
    }
    for (const assets::Glyph& glyph : assets::throttleGlyphs()) {
        const QString path = dir.filePath(glyph.fileName);
        if (!writeBmp24(glyph.image, path))
            return fail(path);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarn_assetgen OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "quarn_assetgen: cannot create %s\n", argv[1]);
        return 1;
    }
    return generate(QDir(folder)) ? 0 : 1;
}
