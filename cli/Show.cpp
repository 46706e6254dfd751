#include "cli/Show.h"

#include "cli/DeviceLookup.h"
#include "cli/Document.h"
#include "core/ReadingJson.h"

#include <QJsonArray>

#include <utility>

namespace quillet::cli {

namespace {

constexpr int DevicePageCount = 4;
constexpr int MenuPageCount = 2;

struct Pages {
    QJsonArray json;
    QString text;
};

// Items in page order, each described as JSON and as a line of text, gathered per page.
template <typename Item, typename Describe>
Pages byPage(const std::vector<Item> &items, int pages, const QString &key, const Describe &describe)
{
    Pages out;
    for (int page = 0; page < pages; ++page) {
        QJsonArray onPage;
        QString lines;
        for (const Item &i : items) {
            if (i.page != page)
                continue;
            const std::pair<QJsonObject, QString> d = describe(i);
            onPage.append(d.first);
            lines += QStringLiteral("  ") + d.second + QLatin1Char('\n');
        }
        out.json.append(QJsonObject{{QStringLiteral("page"), page + 1}, {key, onPage}});
        out.text += onPage.isEmpty() ? QStringLiteral("Page %1: empty\n").arg(page + 1)
                                     : QStringLiteral("Page %1:\n").arg(page + 1);
        out.text += lines;
    }
    return out;
}

QString placeText(const CellRect &cells) { return cellsText(cells) + QStringLiteral(", ") + sizeText(cells); }

}  // namespace

ShowCommand::ShowCommand()
    : Command(QStringLiteral("show"), QStringLiteral("Show one device's keys, page by page, or the main menu's."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file; - reads standard input."),
                  Values::DataOrModelFile);
    addPositional(QStringLiteral("DEVICE"),
                  QStringLiteral("A device's name, \"menu\" for the main menu, \"model\" in a model file."),
                  Values::DeviceName);
    addOption(jsonOption());
}

int ShowCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QStringList args = parser.positionalArguments();
    QString error;
    Document doc;
    if (!loadDocument(env, args[0], doc, &error))
        return fail(env, error);
    DeviceTarget target;
    if (!findDevice(doc, args[1], target, &error))
        return fail(env, error);

    QJsonObject shown{{QStringLiteral("file"), doc.path}, {QStringLiteral("device"), target.name}};
    QString heading;
    Pages pages;
    if (target.menu) {
        heading = QStringLiteral("Main menu");
        const auto button = [](const MenuButtonReading &b) {
            const QString label = b.label.trimmed();
            return std::pair{QJsonObject{{QStringLiteral("bank"), b.bank + 1},
                                         {QStringLiteral("cells"), cellsJson(b.cells)},
                                         {QStringLiteral("label"), textLabelJson(label)},
                                         {QStringLiteral("kind"), kindJson(b.kind)}},
                             QStringLiteral("bank %1  %2  %3").arg(b.bank + 1).arg(placeText(b.cells), label)};
        };
        pages = byPage(readMenuButtons(*doc.image), MenuPageCount, QStringLiteral("buttons"), button);
    } else {
        if (target.bank >= 0) {
            const QString kind = kindText(target.kind);
            shown[QStringLiteral("bank")] = target.bank + 1;
            shown[QStringLiteral("kind")] = kindJson(target.kind);
            heading = QStringLiteral("%1 (bank %2, kind %3)").arg(target.name).arg(target.bank + 1).arg(kind);
        } else {
            heading = QStringLiteral("The device of %1").arg(doc.name());
        }
        pages = byPage(readKeys(target.device), DevicePageCount, QStringLiteral("keys"), [](const KeyReading &k) {
            return std::pair{QJsonObject{{QStringLiteral("key"), k.key + 1},
                                         {QStringLiteral("cells"), cellsJson(k.cells)},
                                         {QStringLiteral("label"), labelJson(k.label)}},
                             QStringLiteral("key %1  %2  %3").arg(k.key + 1).arg(placeText(k.cells), k.label.shown())};
        });
    }
    shown[QStringLiteral("pages")] = pages.json;

    if (parser.isSet(QStringLiteral("json")))
        printJson(env, QStringLiteral("quillet-show"), shown);
    else
        printText(env, heading + QLatin1Char('\n') + pages.text);
    return exitcode::Ok;
}

}  // namespace quillet::cli
