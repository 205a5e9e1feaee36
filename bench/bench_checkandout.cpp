// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of line processing: Tag Heuer L0, L1 and R records converted and written to the output port.

#include "EngineRig.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

constexpr int RecordsPerBatch = 999; // a multiple of three: L0, L1 and R in turn

// One batch of records, each CR-ended, every one different from the one before.
QString recordBatch()
{
    QString text;
    for (int i = 0; i < RecordsPerBatch / 3; ++i) {
        const QString n = QString::number(i % 1000).rightJustified(3, u'0');
        const QString sec = QString::number(10 + i % 50);
        const QString hund = QString::number(i % 90 + 10);
        text += QStringLiteral("..L0\t ") + n + QStringLiteral("\t00:01:") + sec + u'.' + hund + u'\r';
        text += QStringLiteral("..L1\t  ") + QString::number(i % 9 + 1) + QStringLiteral("1\r");
        text += QStringLiteral("..R...00") + n + QStringLiteral("...00:0") + QString::number(i % 10) + u':' +
                sec + u'.' + hund + u'\r';
    }
    return text;
}

void forgetWritten(EngineRig& rig)
{
    rig.out.written.truncate(0);
}

void BM_CheckAndOut(benchmark::State& state)
{
    EngineRig rig;
    const QString batch = recordBatch();
    for (auto _ : state) {
        benchmark::DoNotOptimize(rig.engine.lines.checkAndOut(batch));
        forgetWritten(rig);
    }
    if (!rig.boxes.shown.isEmpty())
        state.SkipWithError("a record opened a message box");
    state.SetItemsProcessed(state.iterations() * RecordsPerBatch);
}
BENCHMARK(BM_CheckAndOut);

// The same records arriving on the input port in chunks of the given size, through the receive handler.
void BM_ReceivePath(benchmark::State& state)
{
    EngineRig rig;
    const QByteArray batch = recordBatch().toLatin1();
    const auto chunk = qsizetype(state.range(0));
    for (auto _ : state) {
        for (qsizetype at = 0; at < batch.size(); at += chunk)
            rig.in.deliver(batch.mid(at, chunk));
        forgetWritten(rig);
    }
    if (!rig.boxes.shown.isEmpty() || !rig.engine.form().texts.Text3.isEmpty())
        state.SkipWithError("the stream was not taken in completely");
    state.SetItemsProcessed(state.iterations() * RecordsPerBatch);
}
BENCHMARK(BM_ReceivePath)->Arg(64)->Arg(1024);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
