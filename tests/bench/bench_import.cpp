// Figures for the text import on hostile texts, run by hand (not part of the test suite):
//   build/bin/bench_import            every case, each in a process of its own
//   build/bin/bench_import CASE       one case: its size, answer, time and peak memory
// Any text of up to 16 MB must be checked or refused in at most 1 s and 256 MB; the page
// that lists one key 2,000 times (160 KB) in at most 50 ms. Fragments (the cases marked so)
// are read by the same limits: any 16 MB fragment in at most 1 s and 256 MB.

#include "core/DataFile.h"
#include "core/Fragment.h"
#include "core/MemoryImage.h"
#include "core/MemoryText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

constexpr qsizetype Size = MemoryTextMaxSize;
const QByteArray Head = R"({"format": "quillet-memory", "version": 1, "kind": "data", )";

// piece, glue, piece, ... up to about `size` bytes, between head and tail.
QByteArray fill(const QByteArray &head, const QByteArray &piece, const QByteArray &glue, const QByteArray &tail,
                qsizetype size = Size)
{
    QByteArray t = head;
    t.reserve(size);
    const qsizetype room = size - tail.size() - piece.size();
    for (bool first = true; t.size() + glue.size() < room; first = false)
        t.append(first ? QByteArray() : glue).append(piece);
    return t.append(tail);
}

QByteArray oneKeyTimes(int n)
{
    QByteArray keys;
    for (int i = 0; i < n; ++i)
        keys += QByteArray(i ? ",\n    " : "") + R"({"key": 1, "column": 1, "row": 1, "columns": 2, "rows": 2, )"
            + R"("label": {"text": "POWER"}})";
    return Head + R"("menu": [{"bank": 1, "name": "TV", "page": 1, "column": 1, "row": 1, "columns": 3, "rows": 2}],
  "devices": [{"bank": 1, "pages": [{"keys": [
    )" + keys + "]}]}]}\n";
}

QByteArray randomExport()
{
    MemoryImage image;
    QRandomGenerator rng(7);
    for (int i = 0; i < MemoryImage::TotalBytes; ++i)
        image.data()[i] = static_cast<Byte>(rng.bounded(256));
    return memoryText(image, memoryTextSchemaId());
}

// An object of n distinct fields, or as many as fit in size.
QByteArray fields(int n, qsizetype size)
{
    QByteArray t = "{";
    t.reserve(size);
    for (int i = 0; i != n && t.size() < size - 32; ++i)
        t.append(i ? ", \"f" : "\"f").append(QByteArray::number(i)).append("\": 0");
    return t.append("}");
}

struct Case {
    const char *name;
    std::function<QByteArray()> text;
    bool fragment = false;
};

const QByteArray FragmentHead = R"({"format": "quillet-fragment", "version": 1, "kind": )";

QByteArray keyFragment(const QByteArray &kind, qsizetype size)
{
    const QByteArray key = R"({"column": 1, "row": 1, "columns": 2, "rows": 2, "label": {"text": "POWER"}})";
    return kind == "page" ? fill(FragmentHead + "\"page\", \"page\": {\"keys\": [", key, ",\n", "]}}", size)
                          : fill(FragmentHead + "\"keys\", \"keys\": [", key, ",\n", "]}", size);
}

const std::vector<Case> &cases()
{
    static const std::vector<Case> all = {
        {"one key 2,000 times", [] { return oneKeyTimes(2000); }},
        {"hex x repeat past the area, 20 times",
         [] {
             return fill(Head + "\"bytes\": [",
                         R"({"area": "unused", "offset": 1, "hex": ")" + QByteArray(1600, 'A')
                             + R"(", "repeat": 136458})",
                         ",\n", "]}", 32 * 1024);
         }},
        {"80,000 fields", [] { return fields(80000, Size); }},
        {"16 MB of distinct fields", [] { return fields(-1, Size); }},
        {"16 MB list of zeros", [] { return fill(Head + "\"bytes\": [", "0", ", ", "]}"); }},
        {"16 MB of []", [] { return fill("", "[]", "", ""); }},
        {"16 MB of [[],[],...] lists", [] { return fill("[", "[" + QByteArray(99999, ',').replace(",", "[],") + "[]]", ",", "]"); }},
        {"kept bytes one a byte, as many as allowed",
         [] {
             QByteArray t = Head + "\"bytes\": [";
             for (int a = 0; a < 136192; ++a)
                 t += QByteArray(a ? ",\n" : "") + R"({"area": "page headers", "offset": )" + QByteArray::number(a % 1024)
                     + R"(, "hex": "00"})";
             return t + "]}";
         }},
        {"16 MB of bad kept bytes", [] { return fill(Head + "\"bytes\": [", R"({"area": "x", "offset": 0, "hex": "00"})", ",", "]}"); }},
        {"16 MB string", [] { return fill(Head + "\"menu\": \"", "a", "", "\"}"); }},
        {"16 MB of \\u escapes", [] { return fill(Head + "\"menu\": \"", "\\u00e9", "", "\"}"); }},
        {"16 MB of blanks", [] { return fill("", " ", "", Head + "\"menu\": []}"); }},
        {"16 MB of numbers in objects", [] { return fill("[", "{\"a\": 1.5e3, \"b\": -0}", ",", "]"); }},
        {"16 MB of nesting 60 deep",
         [] { return fill("[", QByteArray(60, '[') + QByteArray(60, ']'), ",", "]"); }},
        {"a whole memory of random bytes", randomExport},
        {"fragment: 16 MB page of keys", [] { return keyFragment("page", Size); }, true},
        {"fragment: 16 MB of keys", [] { return keyFragment("keys", Size); }, true},
        {"fragment: 16 MB of unknown fields", [] { return FragmentHead + "\"timer\", " + fields(-1, Size).mid(1); }, true},
        {"fragment: 16 MB of unknown timer fields",
         [] { return FragmentHead + "\"timer\", \"timer\": " + fields(-1, Size - 80) + "}"; }, true},
        {"fragment: 16 MB of device bytes",
         [] {
             return fill(FragmentHead + "\"device\", \"device\": {\"name\": \"TV\", \"bytes\": [",
                         R"({"area": "x", "offset": 0, "hex": "00"})", ",", "]}}");
         },
         true},
        {"fragment: 16 MB of macro step bytes",
         [] {
             return fill(FragmentHead + "\"macro\", \"macro\": {\"name\": \"M\", \"steps\": [], \"bytes\": [",
                         R"({"offset": 0, "hex": "00"})", ",", "]}}");
         },
         true},
        {"fragment: 16 MB string", [] { return fill(FragmentHead + "\"timer\", \"timer\": \"", "a", "", "\"}"); }, true},
    };
    return all;
}

qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int runOne(int index)
{
    const Case &c = cases()[static_cast<size_t>(index)];
    const QByteArray text = c.text();
    QElapsedTimer clock;
    clock.start();
    QString answer;
    if (c.fragment) {
        // Read for a paste into a memory, as a window or the command line does.
        auto memory = std::make_unique<MemoryImage>();
        clock.restart();
        const FragmentRead r = readFragment(text, *memory);
        answer = r.ok() ? QStringLiteral("sound")
                        : QStringLiteral("%1 problems: %2")
                              .arg(static_cast<qsizetype>(r.problems.size()) + r.unshown)
                              .arg(r.problems.front().text().left(70));
    } else {
        const TextImport r = importMemoryText(text);
        answer = r.ok() ? QStringLiteral("sound")
                        : QStringLiteral("%1 problems: %2")
                              .arg(static_cast<qsizetype>(r.problems.size()) + r.unshown)
                              .arg(r.problems.front().text().left(70));
    }
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    std::printf("%-42s %9.1f KB %9.1f ms %7.1f MB  %s\n", c.name, static_cast<double>(text.size()) / 1024, ms,
                static_cast<double>(peakKb()) / 1024, qPrintable(answer));
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 1)
        return runOne(args[1].toInt());
    std::printf("%-42s %12s %12s %10s  %s\n", "text", "size", "time", "peak", "answer");
    std::fflush(stdout);
    for (int i = 0; i < static_cast<int>(cases().size()); ++i) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(app.applicationFilePath(), {QString::number(i)});
        p.waitForFinished(-1);
    }
    return 0;
}
