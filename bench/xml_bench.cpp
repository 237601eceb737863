// The XML engine against pugixml on the same bytes: files shaped like the multi-unit users file
// (100,000 USER elements with two attributes) and the applications file (20,000 A elements with ten
// attributes). Parsing, reading every attribute the way the system's readers do, writing the file the
// way its writers do, and a memchr pass over the text as the floor.
#include "BenchHeap.h"
#include "platform/Locale.h"
#include "xml/CXMarkup.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <iomanip>
#include <map>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

struct Shape
{
    const char* root;
    const char* record;
    std::vector<std::string> attributes;
    int count;
    // Value of attribute a of record i.
    std::string (*value)(int i, int a);
};

std::string userValue(int i, int a)
{
    if (a == 0) {
        return std::to_string(i + 1);
    }
    return std::to_string(i % 97 + 1) + "|" + std::to_string(i % 13 + 100) + "|" + std::to_string(i % 7 + 200);
}

std::string appValue(int i, int a)
{
    switch (a) {
    case 0:
        return std::to_string(i + 1);
    case 1:
        return "\xE5\xBA\x94\xE7\x94\xA8 Application " + std::to_string(i); // a Chinese word in UTF-8 first
    case 2:
        return "http://host" + std::to_string(i % 50) + ".example.com/apps/start.asp?id=" + std::to_string(i);
    case 3:
        return std::to_string(i % 8);
    case 4:
        return std::to_string(i % 3);
    case 5:
        return i % 2 ? "login.asp" : "";
    case 6:
        return "Sign in - App " + std::to_string(i);
    case 7:
        return "user";
    case 8:
        return "password";
    default:
        return i % 5 ? "" : "Tom & Jerry <admin>";
    }
}

const Shape kUsers{"QAR_USERS", "USER", {"ID", "UNITS"}, 100000, userValue};
const Shape kApps{
    "QAR_APPS", "A", {"ID", "N", "URL", "G", "T", "BS_LOG", "CS_TITLE", "CS_D1", "CS_D2", "CS_D3"}, 20000, appValue};

// The file the system writes for the shape, byte for byte.
std::string generate(const Shape& shape)
{
    qar::CXMarkup doc;
    doc.SetDocument(kDecl);
    doc.AddElement(shape.root);
    for (int i = 0; i < shape.count; ++i) {
        doc.AddChildElement(shape.record);
        doc.EnterElement();
        for (std::size_t a = 0; a < shape.attributes.size(); ++a) {
            doc.SetAttribute(shape.attributes[a], shape.value(i, static_cast<int>(a)));
        }
        doc.LeaveElement();
    }
    return doc.GetDocument();
}

const std::string& fileFor(const Shape& shape)
{
    static const std::string users = generate(kUsers);
    static const std::string apps = generate(kApps);
    return &shape == &kUsers ? users : apps;
}

const Shape& shapeOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? kUsers : kApps;
}

void setLabel(benchmark::State& state)
{
    const std::string& text = fileFor(shapeOf(state));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.SetLabel(state.range(0) == 0 ? "users" : "apps");
}

void BM_Parse_CXMarkup(benchmark::State& state)
{
    const std::string& text = fileFor(shapeOf(state));
    for (auto _ : state) {
        qar::CXMarkup doc;
        benchmark::DoNotOptimize(doc.SetDocument(text));
    }
    setLabel(state);
}

void BM_Parse_Pugixml(benchmark::State& state)
{
    const std::string& text = fileFor(shapeOf(state));
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
    }
    setLabel(state);
}

void BM_Read_CXMarkup(benchmark::State& state)
{
    const Shape& shape = shapeOf(state);
    const std::string& text = fileFor(shape);
    for (auto _ : state) {
        qar::CXMarkup doc;
        doc.SetDocument(text);
        std::size_t total = 0;
        doc.FindElement(shape.root);
        doc.EnterElement();
        while (doc.FindElement(shape.record)) {
            for (const std::string& name : shape.attributes) {
                const std::string value = doc.GetAttribute(name);
                total += value.size();
            }
        }
        benchmark::DoNotOptimize(total);
    }
    setLabel(state);
}

// The same reading where text is GBK: every scan then steps over double-byte characters.
void BM_ReadGbk_CXMarkup(benchmark::State& state)
{
    const int previous = qar::GetSystemDefaultLCID();
    qar::SetSystemDefaultLCID(qar::kLcidSimplifiedChinese);
    BM_Read_CXMarkup(state);
    qar::SetSystemDefaultLCID(previous);
}

void BM_Read_Pugixml(benchmark::State& state)
{
    const Shape& shape = shapeOf(state);
    const std::string& text = fileFor(shape);
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_buffer(text.data(), text.size());
        std::size_t total = 0;
        for (pugi::xml_node record : doc.child(shape.root).children(shape.record)) {
            for (const std::string& name : shape.attributes) {
                const std::string value = record.attribute(name.c_str()).value();
                total += value.size();
            }
        }
        benchmark::DoNotOptimize(total);
    }
    setLabel(state);
}

// The values are made before the clock runs: both sides get the same strings to write.
const std::vector<std::vector<std::string>>& valuesFor(const Shape& shape)
{
    static auto make = [](const Shape& s) {
        std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(s.count));
        for (int i = 0; i < s.count; ++i) {
            for (std::size_t a = 0; a < s.attributes.size(); ++a) {
                rows[static_cast<std::size_t>(i)].push_back(s.value(i, static_cast<int>(a)));
            }
        }
        return rows;
    };
    static const auto users = make(kUsers);
    static const auto apps = make(kApps);
    return &shape == &kUsers ? users : apps;
}

void BM_Write_CXMarkup(benchmark::State& state)
{
    const Shape& shape = shapeOf(state);
    const auto& rows = valuesFor(shape);
    for (auto _ : state) {
        qar::CXMarkup doc;
        doc.SetDocument(kDecl);
        doc.AddElement(shape.root);
        for (const auto& row : rows) {
            doc.AddChildElement(shape.record);
            doc.EnterElement();
            for (std::size_t a = 0; a < row.size(); ++a) {
                doc.SetAttribute(shape.attributes[a], row[a]);
            }
            doc.LeaveElement();
        }
        // The document is its text: nothing is left to produce.
        const std::string& text = doc.GetDocument();
        benchmark::DoNotOptimize(text.data());
    }
    setLabel(state);
}

struct StringWriter : pugi::xml_writer
{
    std::string text;
    void write(const void* data, std::size_t size) override { text.append(static_cast<const char*>(data), size); }
};

void BM_Write_Pugixml(benchmark::State& state)
{
    const Shape& shape = shapeOf(state);
    const auto& rows = valuesFor(shape);
    for (auto _ : state) {
        pugi::xml_document doc;
        pugi::xml_node decl = doc.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "UTF-8";
        decl.append_attribute("standalone") = "yes";
        pugi::xml_node root = doc.append_child(shape.root);
        for (const auto& row : rows) {
            pugi::xml_node record = root.append_child(shape.record);
            for (std::size_t a = 0; a < row.size(); ++a) {
                record.append_attribute(shape.attributes[a].c_str()) = row[a].c_str();
            }
        }
        StringWriter writer;
        doc.save(writer, "", pugi::format_indent);
        benchmark::DoNotOptimize(writer.text.data());
    }
    setLabel(state);
}

void BM_Floor_Memchr(benchmark::State& state)
{
    const std::string& text = fileFor(shapeOf(state));
    for (auto _ : state) {
        std::size_t tags = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
            ++tags;
            ++p;
        }
        benchmark::DoNotOptimize(tags);
    }
    setLabel(state);
}

// Prints the runs as usual and, at the end, each CXMarkup time over pugixml's on the same file: the
// median of the repetitions where there are several, else the run itself.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) {
                continue;
            }
            Time& time = m_times[run.run_name.str()];
            if (median || !time.median) {
                time = {run.GetAdjustedCPUTime(), median};
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        for (const char* kind : {"Parse", "Read", "Write"}) {
            for (const char* arg : {"0", "1"}) {
                const auto ours = m_times.find(std::string("BM_") + kind + "_CXMarkup/" + arg);
                const auto theirs = m_times.find(std::string("BM_") + kind + "_Pugixml/" + arg);
                if (ours != m_times.end() && theirs != m_times.end() && theirs->second.cpu > 0) {
                    out << kind << ' ' << (arg[0] == '0' ? "users" : "apps") << ": CXMarkup / pugixml = " << std::fixed
                        << std::setprecision(2) << ours->second.cpu / theirs->second.cpu << '\n';
                }
            }
        }
    }

private:
    struct Time
    {
        double cpu = 0;
        bool median = false;
    };
    std::map<std::string, Time> m_times;
};

} // namespace

BENCHMARK(BM_Floor_Memchr)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_CXMarkup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_Pugixml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read_CXMarkup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGbk_CXMarkup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read_Pugixml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write_CXMarkup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write_Pugixml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The text is UTF-8 unless QAR_LCID or the locale says otherwise.
    std::printf("code page lead bytes: %s\n", qar::IsLeadByte(0x81) ? "double-byte" : "none");
    qar::bench::FixHeapRules();
    // The ratios follow the console output; another format (JSON for scripts) is left as it is.
    bool console = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        console &= arg.rfind("--benchmark_format=", 0) != 0 || arg == "--benchmark_format=console";
    }
    benchmark::Initialize(&argc, argv);
    if (console) {
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
