// The applications page on a generated catalogue of 20,000 entries, on the platform QT_QPA_PLATFORM gives
// (offscreen by default): the file loaded into the page and the list painted, the same file read by the
// catalogue alone and by pugixml as the reference, and one entry added and the file saved whole.
//
//   catalog_bench [--benchmark_repetitions=5]
#include "BenchHeap.h"
#include "CatalogGenerator.h"
#include "TempDir.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "catalog/AppCatalog.h"
#include "catalog/ui/CAppPage.h"

#include <QApplication>
#include <QTreeView>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace qar;

namespace
{

constexpr int kApps = 20000;

/// A program folder holding the generated apps.xml, made once for every benchmark.
struct Catalogue
{
    test::TempDir dir;
    std::string file;

    Catalogue()
    {
        setenv("QAR_PROGRAM_DIR", dir.path().c_str(), 1);
        std::filesystem::create_directories(dir.path() / "UserData/config/xmldata");
        file = CatalogXmlPath(kAppsFileName);
        if (!WriteAppsFile(file, GenerateApps(kApps))) {
            std::abort();
        }
    }
};

Catalogue& catalogue()
{
    static Catalogue c;
    return c;
}

// Refresh as the page runs it whenever it is shown: read the file, reset the list, paint what shows.
void BM_AppsPageLoadAndShow(benchmark::State& state)
{
    catalogue();
    ui::CAppPage page;
    page.resize(800, 500);
    page.show();
    auto* view = page.findChild<QTreeView*>(QStringLiteral("appsTreeView"));
    for (auto _ : state) {
        page.refresh();
        view->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = static_cast<double>(view->model()->rowCount());
}
BENCHMARK(BM_AppsPageLoadAndShow)->Unit(benchmark::kMillisecond);

// The page made from nothing until its list is on screen, as the main window creates it.
void BM_AppsPageCreateAndShow(benchmark::State& state)
{
    catalogue();
    for (auto _ : state) {
        ui::CAppPage page;
        page.resize(800, 500);
        page.show();
        page.findChild<QTreeView*>(QStringLiteral("appsTreeView"))->viewport()->repaint();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_AppsPageCreateAndShow)->Unit(benchmark::kMillisecond);

void BM_AppsCatalogLoad(benchmark::State& state)
{
    CAppCatalog apps(catalogue().file);
    for (auto _ : state) {
        apps.load();
        benchmark::DoNotOptimize(apps.rows().data());
    }
}
BENCHMARK(BM_AppsCatalogLoad)->Unit(benchmark::kMillisecond);

// The reference: pugixml parsing the file and reading the same ten attributes of every entry.
void BM_AppsPugixmlLoad(benchmark::State& state)
{
    static const char* const kNames[] = {"ID", "N", "URL", "G", "T", "BS_LOG", "CS_TITLE", "CS_D1", "CS_D2", "CS_D3"};
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_file(catalogue().file.c_str());
        std::size_t bytes = 0;
        for (pugi::xml_node a : doc.child("QAR_APPS").children("A")) {
            for (const char* name : kNames) {
                bytes += std::strlen(a.attribute(name).value());
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_AppsPugixmlLoad)->Unit(benchmark::kMillisecond);

// An application added as the page does it: the list with the entry written whole, then read back.
void BM_AppsAddAndSave(benchmark::State& state)
{
    CAppCatalog apps(catalogue().file);
    apps.load();
    AppEntry entry{30000, "Bench", "http://bench", 0, 5, "login.asp", "", 0, 0, 0};
    for (auto _ : state) {
        const std::optional<std::size_t> row = apps.add(entry);
        state.PauseTiming();
        if (!row || !apps.remove(*row)) {
            state.SkipWithError("the file could not be written");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(apps.rows().size() + 1);
}
BENCHMARK(BM_AppsAddAndSave)->Unit(benchmark::kMillisecond);

// The write alone, as the add above does it before reading back.
void BM_AppsSaveOnly(benchmark::State& state)
{
    CAppCatalog apps(catalogue().file);
    apps.load();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteAppsFile(catalogue().file, apps.rows()));
    }
}
BENCHMARK(BM_AppsSaveOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    bench::FixHeapRules();
    QApplication app(argc, argv);
    ui::initResources();
    ui::MessageService::instance().setHeadless(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
