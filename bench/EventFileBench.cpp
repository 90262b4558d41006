// Load and save of event files of 1,000, 10,000 and 100,000 events, against
// the XML library's bare parse of the same file (TiXmlDocument::LoadFile).
// Prints Google Benchmark's warm in-process times, then a table of times and
// peak memory measured in fresh processes, with their ratios to the bare parse,
// the catch-up of the worst files a mistyped year makes, the merge of two
// edited copies of a list with their base, the export and import of the
// same events as an iCalendar file, and the occurrences of random repetition
// rules: 10,000 over a year, and 1,000 caught up after a year away.
//
//     build/bench/bench/event_file_bench [--benchmark_filter=...]

#include "Calendar.h"
#include "Agenda.h"
#include "CalendarTransfer.h"
#include "EventFileWriter.h"
#include "EventList.h"
#include "EventMerge.h"
#include "ICalendarWriter.h"
#include "EventStore.h"
#include "PosixFileSystem.h"
#include "PosixSystemServices.h"
#include "PosixTimeZones.h"
#include "RandomEvents.h"
#include "RecurrenceRule.h"
#include "ReminderSchedule.h"
#include "Windows1252.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const int sizes[] = {1000, 10000, 100000};

std::string folder()
{
    static const std::string path = [] {
        if (const char* given = std::getenv("VELLUMERE_BENCH_DIR"))
            return std::string(given);
        char pattern[] = "/tmp/vellumere-bench-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return std::string(made);
    }();
    return path;
}

std::vector<Event> ruleEvents(int count);

// Whether the file, save, export and import operations take events that
// repeat by rules (with skipped days and early reminders) instead of
// typical ones: the operations named "rule_...".
bool withRules = false;

std::vector<Event> makeEvents(int count)
{
    if (withRules)
        return ruleEvents(count);
    RandomEvents random(static_cast<unsigned>(count));
    std::vector<Event> events;
    events.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        events.push_back(random.typical());
    return events;
}

std::string fileWith(int count)
{
    const std::string path = folder() + (withRules ? "/ruled-" : "/events-") + std::to_string(count) + ".xml";
    std::ofstream(path, std::ios::binary) << EventFileWriter::write(makeEvents(count));
    return path;
}

std::string pathFor(int count)
{
    const std::string path = folder() + (withRules ? "/ruled-" : "/events-") + std::to_string(count) + ".xml";
    if (::access(path.c_str(), F_OK) != 0)
        fileWith(count);
    return path;
}

struct Operation {
    virtual ~Operation() = default;
    virtual void prepare(int count) = 0;
    virtual void run() = 0;
};

struct BareParse : Operation {
    std::string path;
    void prepare(int count) override { path = pathFor(count); }
    void run() override
    {
        TiXmlDocument document;
        if (!document.LoadFile(path.c_str(), TIXML_ENCODING_LEGACY))
            std::abort();
        benchmark::DoNotOptimize(document.RootElement());
    }
};

struct Load : Operation {
    PosixSystemServices system{""};
    PosixFileSystem files;
    EventStore store{system, files};
    std::string path;
    std::vector<Event> events;
    void prepare(int count) override { path = pathFor(count); }
    void run() override
    {
        events.clear();
        events.shrink_to_fit();
        store.load(path, events);
        if (events.empty())
            std::abort();
    }
};

struct Save : Operation {
    PosixSystemServices system{""};
    PosixFileSystem files;
    EventStore store{system, files};
    std::string path;
    std::vector<Event> events;
    void prepare(int count) override
    {
        path = folder() + "/saved-" + std::to_string(count) + ".xml";
        events = makeEvents(count);
    }
    void run() override
    {
        if (!store.save(path, events))
            std::abort();
    }
};

// One daily event typed with a year long past: from the year 1, or from 2000
// with a note of 100 KB, carried forward to today.
struct CatchUp : Operation {
    PosixSystemServices system{""};
    PosixFileSystem files;
    EventList list;
    void prepare(int longNote) override
    {
        Event daily;
        daily.description = "mistyped year";
        daily.frequency = Daily;
        daily.when = SystemTime{static_cast<std::uint16_t>(longNote ? 2000 : 1), 1, 0, 1, 9, 0, 0, 0};
        if (longNote)
            daily.note.assign(100 * 1024, 'x');
        list.add(daily);
    }
    void run() override
    {
        if (!ReminderSchedule::catchUpEvents(list, system.localTime()))
            std::abort();
    }
};

// A file of `count` daily events begun a year ago, as an imported calendar
// can make it, started: read, carried forward to today, written back.
struct SeriesStart : Operation {
    PosixSystemServices system{""};
    PosixFileSystem files;
    EventStore store{system, files};
    std::string path;
    void prepare(int count) override
    {
        path = folder() + "/series-" + std::to_string(count) + ".xml";
        const SystemTime yearAgo = oneYearBefore(system.localTime());
        std::vector<Event> series;
        for (int i = 0; i < count; ++i) {
            Event daily;
            daily.description = "Daily " + std::to_string(i);
            daily.frequency = Daily;
            daily.when = SystemTime{yearAgo.wYear, yearAgo.wMonth, 0, yearAgo.wDay, 9, static_cast<std::uint16_t>(i % 60), 0, 0};
            series.push_back(daily);
        }
        std::stable_sort(series.begin(), series.end());
        if (!store.save(path, series))
            std::abort();
    }
    void run() override
    {
        std::vector<Event> read;
        if (store.load(path, read) != EventStore::Loaded::Read)
            std::abort();
        EventList list;
        list.assign(std::move(read));
        ReminderSchedule::catchUpEvents(list, system.localTime());
        if (!store.save(path, list.all()))
            std::abort();
    }
};

// Two copies of a list, each with a tenth of its events edited, removed or
// added, merged against the list they both started from.
struct Merge : Operation {
    std::vector<Event> base, mine, theirs;
    void prepare(int count) override
    {
        base = makeEvents(count);
        std::stable_sort(base.begin(), base.end());
        RandomEvents random(static_cast<unsigned>(count) + 1);
        for (std::vector<Event>* side : {&mine, &theirs}) {
            *side = base;
            for (int i = 0; i < count / 10; ++i) {
                Event& changed = (*side)[static_cast<std::size_t>(random.number(0, count - 1))];
                switch (i % 3) {
                case 0:
                    changed.description += " (edited)";
                    break;
                case 1:
                    changed = side->back();
                    side->pop_back();
                    break;
                default:
                    side->push_back(random.typical());
                    break;
                }
            }
            std::stable_sort(side->begin(), side->end());
        }
    }
    void run() override { benchmark::DoNotOptimize(EventMerge::merge(base, mine, theirs).events.data()); }
};

struct Export : Operation {
    std::vector<Event> events;
    Windows1252 codePage;
    void prepare(int count) override
    {
        events = makeEvents(count);
        std::stable_sort(events.begin(), events.end());
    }
    void run() override
    {
        benchmark::DoNotOptimize(ICalendarWriter::write(events, SystemTime{2026, 12, 1, 7, 9, 0, 0, 0}, codePage, "1").size());
    }
};

// Into an empty list, as a first import is.
struct Import : Operation {
    PosixSystemServices system{""};
    PosixFileSystem files;
    PosixTimeZones zones;
    std::string text;
    void prepare(int count) override
    {
        text = ICalendarWriter::write(makeEvents(count), SystemTime{2026, 12, 1, 7, 9, 0, 0, 0}, system.codePage(), "1");
    }
    void run() override
    {
        EventList list;
        if (CalendarTransfer::importText(list, text, system.localTime(), system.codePage(), zones).added == 0)
            std::abort();
    }
};

// `count` random rules of the events' vocabulary (as tests/check-recurrence-rules
// makes them) with their start days, from 1900 to 2026.
std::vector<std::pair<RecurrenceRule, long>> randomRules(int count)
{
    std::mt19937 engine(5545);
    const auto number = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); };
    const char* const weekdays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    const char* const frequencies[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    std::vector<std::pair<RecurrenceRule, long>> rules;
    while (static_cast<int>(rules.size()) < count) {
        const int frequency = number(0, 3);
        std::string text = std::string("FREQ=") + frequencies[frequency];
        if (number(0, 2) == 0)
            text += ";INTERVAL=" + std::to_string(number(2, 5));
        if (number(0, 1) == 0) {
            text += ";BYDAY=";
            for (int i = number(1, 3); i > 0; --i) {
                if (frequency >= 2 && number(0, 1) == 0)
                    text += std::to_string(number(1, 4) * (number(0, 1) ? 1 : -1));
                text += weekdays[number(0, 6)] + std::string(i > 1 ? "," : "");
            }
        }
        if (frequency != 1 && number(0, 2) == 0)
            text += ";BYMONTHDAY=" + std::to_string(number(1, 31) * (number(0, 1) ? 1 : -1));
        if (number(0, 3) == 0)
            text += ";BYMONTH=" + std::to_string(number(1, 12));
        if (text.find(";BY") != std::string::npos && number(0, 3) == 0)
            text += ";BYSETPOS=" + std::to_string(number(1, 3) * (number(0, 1) ? 1 : -1));
        const long start = dayNumber(number(1900, 2026), number(1, 12), number(1, 28));
        if (number(0, 3) == 0)
            text += ";COUNT=" + std::to_string(number(1, 1000));
        else if (number(0, 2) == 0)
            text += ";UNTIL=" + std::to_string(number(2026, 2030)) + "1231";
        RecurrenceRule rule;
        if (rule.parse(text) && rule.inVocabulary())
            rules.emplace_back(rule, start);
    }
    return rules;
}

// Each rule's occurrences over 2026, as the agenda of a year shows them.
// Events that repeat by random rules, at 09:00 from their start days.
std::vector<Event> ruleEvents(int count)
{
    std::vector<Event> events;
    for (const auto& [rule, start] : randomRules(count)) {
        Event event;
        event.description = "Ruled";
        event.rule = rule.text();
        setDayNumber(event.when, start);
        event.when.wHour = 9;
        event.remindBefore = {15, 7 * 1440};
        event.skippedDays = {start + 30, start + 365};
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end());
    return events;
}

// The agenda of a year: every occurrence and reminder of the events.
struct RuleAgenda : Operation {
    std::vector<Event> events;
    void prepare(int count) override { events = ruleEvents(count); }
    void run() override { benchmark::DoNotOptimize(Agenda::of(events, dayNumber(2026, 1, 1), 365).size()); }
};

// Back after a year away: the catch-up of the events, begun at the latest
// at the start of 2025, on 1 January 2026.
struct RuleCatchUp : RuleAgenda {
    void prepare(int count) override
    {
        events = ruleEvents(count);
        for (Event& event : events)
            if (event.when.wYear > 2024)
                event.when.wYear = 2024;
        std::stable_sort(events.begin(), events.end());
    }
    void run() override
    {
        benchmark::DoNotOptimize(ReminderSchedule::catchUp(events, SystemTime{2026, 1, 4, 1, 8, 0, 0, 0}).added.size());
    }
};

template <typename Kind>
void timeOperation(benchmark::State& state)
{
    Kind operation;
    operation.prepare(static_cast<int>(state.range(0)));
    for (auto _ : state)
        operation.run();
}

// Size by size, the three operations one after another, so that each
// comparison is made in the same state of the heap.
void registerBenchmarks()
{
    for (const int count : sizes) {
        for (auto* registered : {benchmark::RegisterBenchmark("bare_parse", timeOperation<BareParse>),
                                 benchmark::RegisterBenchmark("load", timeOperation<Load>),
                                 benchmark::RegisterBenchmark("save", timeOperation<Save>)}) {
            registered->Arg(count)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
        }
    }
    for (auto* registered : {benchmark::RegisterBenchmark("calendar_export", timeOperation<Export>),
                             benchmark::RegisterBenchmark("calendar_import", timeOperation<Import>)})
        registered->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("rule_agenda", timeOperation<RuleAgenda>)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("rule_catch_up", timeOperation<RuleCatchUp>)
        ->Arg(1000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("merge", timeOperation<Merge>)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
}

long statusField(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::atol(line.c_str() + prefix.size());
    }
    return -1;
}

struct Measurement {
    double milliseconds = 0;
    double peakRiseMb = 0; // the rise of the resident set during the operation
};

// Runs the operation once in this (fresh) process.
Measurement measureHere(std::string operation, int count)
{
    if (operation.compare(0, 5, "rule_") == 0 && operation != "rule_agenda") {
        withRules = true;
        operation.erase(0, 5);
    }
    std::unique_ptr<Operation> chosen;
    if (operation == "bare_parse")
        chosen = std::make_unique<BareParse>();
    else if (operation == "load")
        chosen = std::make_unique<Load>();
    else if (operation == "catch_up")
        chosen = std::make_unique<CatchUp>();
    else if (operation == "series_start")
        chosen = std::make_unique<SeriesStart>();
    else if (operation == "calendar_export")
        chosen = std::make_unique<Export>();
    else if (operation == "calendar_import")
        chosen = std::make_unique<Import>();
    else if (operation == "save")
        chosen = std::make_unique<Save>();
    else
        return {-1, -1}; // no such operation
    chosen->prepare(count);
    // The peak of the preparation is not the operation's: start the count afresh.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusField("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    chosen->run();
    const auto stop = std::chrono::steady_clock::now();
    Measurement result;
    result.milliseconds = std::chrono::duration<double, std::milli>(stop - start).count();
    result.peakRiseMb = static_cast<double>(statusField("VmHWM") - before) / 1024;
    return result;
}

// The median of several runs, each in a fresh process as at a program's
// start: no memory left over from earlier cases to hide the cost of getting it.
Measurement measureInFreshProcesses(const char* operation, int count, int runs = 5)
{
    withRules = std::string(operation) == "rule_load";
    if (std::string(operation) == "load" || std::string(operation) == "bare_parse" || withRules)
        pathFor(count); // made here, not in the measured process
    withRules = false;
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return {};
    const std::string command = std::string("'") + self + "' --measure=" + operation + ":" + std::to_string(count);
    std::vector<double> times, peaks;
    for (int run = 0; run < runs; ++run) {
        FILE* child = ::popen(command.c_str(), "r");
        if (!child)
            return {};
        Measurement one;
        if (std::fscanf(child, "%lf %lf", &one.milliseconds, &one.peakRiseMb) == 2) {
            times.push_back(one.milliseconds);
            peaks.push_back(one.peakRiseMb);
        }
        ::pclose(child);
    }
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end());
    std::sort(peaks.begin(), peaks.end());
    return {times[times.size() / 2], peaks[peaks.size() / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    const std::string measure = "--measure=";
    if (argc == 2 && std::string(argv[1]).compare(0, measure.size(), measure) == 0) {
        const std::string what = argv[1] + measure.size();
        const std::size_t colon = what.find(':');
        const Measurement result = measureHere(what.substr(0, colon), std::atoi(what.c_str() + colon + 1));
        std::printf("%.3f %.3f\n", result.milliseconds, result.peakRiseMb);
        return 0;
    }
    ::setenv("VELLUMERE_BENCH_DIR", folder().c_str(), 1);
    benchmark::Initialize(&argc, argv);
    registerBenchmarks();
    std::printf("In one process, warm (Google Benchmark, median of 3):\n");
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\nEach run in a fresh process, as at start-up (median of 5):\n");
    std::printf("%8s %10s %10s %10s %7s %7s %12s %12s %12s %7s %7s\n", "events", "parse ms", "load ms", "save ms",
                "load/p", "save/p", "parse peak", "load peak", "save peak", "load/p", "save/p");
    for (const int count : sizes) {
        const Measurement parse = measureInFreshProcesses("bare_parse", count);
        const Measurement load = measureInFreshProcesses("load", count);
        const Measurement save = measureInFreshProcesses("save", count);
        std::printf("%8d %10.1f %10.1f %10.1f %7.2f %7.2f %9.1f MB %9.1f MB %9.1f MB %7.2f %7.2f\n", count,
                    parse.milliseconds, load.milliseconds, save.milliseconds, load.milliseconds / parse.milliseconds,
                    save.milliseconds / parse.milliseconds, parse.peakRiseMb, load.peakRiseMb, save.peakRiseMb,
                    load.peakRiseMb / parse.peakRiseMb, save.peakRiseMb / parse.peakRiseMb);
    }
    std::printf("(ratios are to the bare parse of the same file; a peak is the rise of the resident set)\n");

    const Measurement load = measureInFreshProcesses("load", 10000);
    const Measurement save = measureInFreshProcesses("save", 10000);
    const Measurement exported = measureInFreshProcesses("calendar_export", 10000);
    const Measurement imported = measureInFreshProcesses("calendar_import", 10000);
    std::printf("\n10,000 events as a calendar (fresh process, median of 5): export %.1f ms (%.2f x save), "
                "import %.1f ms (%.2f x load)\n",
                exported.milliseconds, exported.milliseconds / save.milliseconds, imported.milliseconds,
                imported.milliseconds / load.milliseconds);

    const Measurement ruleLoad = measureInFreshProcesses("rule_load", 10000);
    const Measurement ruleSave = measureInFreshProcesses("rule_save", 10000);
    const Measurement ruleExport = measureInFreshProcesses("rule_calendar_export", 10000);
    const Measurement ruleImport = measureInFreshProcesses("rule_calendar_import", 10000);
    std::printf("10,000 events with rules, skipped days and early reminders (fresh process, median of 5):\n");
    for (const auto& [what, measured] : {std::pair<const char*, const Measurement&>{"event file read", ruleLoad},
                                         {"event file written", ruleSave},
                                         {"calendar written (export)", ruleExport},
                                         {"calendar read (import)", ruleImport}})
        std::printf("  %-28s %8.1f ms %9.1f MB\n", what, measured.milliseconds, measured.peakRiseMb);

    std::printf("\nThe catch-up of one daily event typed with a year long past (fresh process, median of 5):\n");
    const struct {
        const char* what;
        int longNote;
    } mistyped[] = {{"daily since the year 1", 0}, {"daily since 2000, 100 KB note", 1}};
    for (const auto& m : mistyped) {
        const Measurement catchUp = measureInFreshProcesses("catch_up", m.longNote);
        std::printf("  %-32s %8.1f ms %9.1f MB\n", m.what, catchUp.milliseconds, catchUp.peakRiseMb);
    }
    const Measurement seriesStart = measureInFreshProcesses("series_start", 5000);
    std::printf("  %-32s %8.1f ms %9.1f MB  (read, carried forward, written)\n", "5,000 daily series of a year",
                seriesStart.milliseconds, seriesStart.peakRiseMb);
    std::remove((folder() + "/series-5000.xml").c_str());
    std::remove((folder() + "/ruled-10000.xml").c_str());
    for (const int count : sizes) {
        std::remove((folder() + "/events-" + std::to_string(count) + ".xml").c_str());
        std::remove((folder() + "/saved-" + std::to_string(count) + ".xml").c_str());
    }
    ::rmdir(folder().c_str());
    return 0;
}
