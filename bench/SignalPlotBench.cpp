// The plot window's lane: one repaint of a lane of ten million samples, with
// the whole recording in view and zoomed in, and what building the lane's
// summary costs once its samples are computed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <random>

#include "app/signals/SignalPlot.h"

namespace {

using namespace korvex::signaldb;

constexpr std::size_t kSamples = 10'000'000;

// A sample every 0.1 to 2 ms over about three hours, as a random walk.
SampleSeries TenMillionSamples() {
    SampleSeries s;
    s.ref = {0, 0};
    s.x.reserve(kSamples);
    s.values.reserve(kSamples);
    s.frames.reserve(kSamples);
    std::mt19937 random(9);
    double x = 0;
    double v = 0;
    for (std::size_t i = 0; i < kSamples; ++i) {
        x += 0.0001 * (1 + random() % 20);
        v += static_cast<double>(static_cast<int>(random() % 201) - 100) * 0.01;
        s.x.push_back(x);
        s.values.push_back(v);
        s.frames.push_back(static_cast<std::int32_t>(i));
    }
    return s;
}

struct PlotFixture {
    PlotFixture() {
        plot.resize(1600, 400);
        std::vector<AxisSpan> spans{{0, 0, false, 0, 0}};
        auto data = MakePlotSeries(TenMillionSamples());
        spans[0].lastTicks = static_cast<std::int64_t>(data->series.x.back() * 10000);
        plot.SetAxis(CTimeAxis(spans));
        CSignalPlot::Lane lane;
        lane.ref = {0, 0};
        lane.title = QStringLiteral("Engine.Speed");
        lane.unit = QStringLiteral("rpm");
        lane.color = Qt::blue;
        lane.data = std::move(data);
        plot.AddLane(std::move(lane));
        plot.SetCursorX(plot.Axis().End() / 3);
    }
    CSignalPlot plot;
};

PlotFixture& Fixture() {
    static PlotFixture fixture;
    return fixture;
}

// state.range(0): the view's width in millionths of the whole recording.
void BM_RepaintLaneOf10MSamples(benchmark::State& state) {
    CSignalPlot& plot = Fixture().plot;
    plot.Fit();
    const double share = static_cast<double>(state.range(0)) / 1e6;
    plot.Viewport().ZoomAt(plot.Axis().End() / 3, share);
    QImage image(plot.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot.Render(painter, plot.size());
    }
    state.counters["visible"] = static_cast<double>(kSamples) * share;
}
BENCHMARK(BM_RepaintLaneOf10MSamples)
    ->Arg(1'000'000)
    ->Arg(10'000)
    ->Arg(100)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_SummaryOf10MSamples(benchmark::State& state) {
    const SampleSeries& series = Fixture().plot.Lanes()[0].data->series;
    for (auto _ : state) {
        CMinMaxSummary summary(series.values);
        benchmark::DoNotOptimize(summary);
    }
}
BENCHMARK(BM_SummaryOf10MSamples)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
