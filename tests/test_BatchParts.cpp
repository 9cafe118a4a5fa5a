// The parts of morvane-batch: number format, input reader, ordered runner.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "morvane-batch/BatchInput.h"
#include "morvane-batch/BatchTable.h"
#include "morvane-batch/OrderedRunner.h"

using namespace morvane;

namespace {

// The numbers must be the bytes morvane's stream writes at that precision.
TEST(BatchTable, NumbersAreTheBytesOfTheStreamsDefaultNotation)
{
    std::mt19937_64 rng(42);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  100.0,
                                  78.04695,
                                  0.000012345678,
                                  1e-300,
                                  5e-324,
                                  1.7976931348623157e308,
                                  std::numeric_limits<double>::infinity(),
                                  std::nan("")};
    for (int i = 0; i < 2000; ++i) {
        double v;
        const std::uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isnan(v)) values.push_back(v);
        values.push_back(std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 80) - 60));
    }
    for (int precision : {1, 2, 5, 8, 12, 16, 17, 18, 25, 60, 800}) {
        const BatchTable table(false, precision, {}, "mass");
        for (double v : values) {
            std::string rows;
            table.AppendRows({}, {isotope(v, -v)}, rows);
            std::ostringstream expected;
            expected.precision(precision);
            expected << "1\t" << v << '\t' << -v << '\n';
            ASSERT_EQ(rows, expected.str()) << precision;
        }
    }
}

TEST(BatchTable, LabelsStayInTheirColumn)
{
    const BatchTable tsv(false, 8, {"id", "formula"}, "mz");
    EXPECT_EQ(tsv.Header(), "id\tformula\tpeak\tmz\tabundance\n");
    std::string rows;
    tsv.AppendRows({"a\tb\rc", "H2"}, {isotope(2, 1)}, rows);
    EXPECT_EQ(rows, "a b c\tH2\t1\t2\t1\n");
    const BatchTable csv(true, 8, {"id"}, "mass");
    rows.clear();
    csv.AppendRows({"x\ny"}, {isotope(2, 1), isotope(3, 0.5)}, rows);
    EXPECT_EQ(rows, "\"x\ny\",1,2,1\n\"x\ny\",2,3,0.5\n");
    rows.clear();
    csv.AppendRows({"none"}, {}, rows);
    EXPECT_EQ(rows, "");
}

std::vector<InputLine> ReadAll(const std::string& text)
{
    std::istringstream in(text);
    FormulaReader reader(in);
    std::vector<InputLine> lines;
    for (InputLine line; reader.Next(line);) lines.push_back(line);
    EXPECT_EQ(reader.BytesRead(), text.size());
    return lines;
}

TEST(FormulaReader, LinesIdsAndSkippedLines)
{
    const std::vector<InputLine> lines = ReadAll("#x\tC\r\n\r\n \t \nH2O\r\n  p1 \t C6 H6 \n\tNa\nlast");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].number, 4);
    EXPECT_EQ(lines[0].id, "");
    EXPECT_EQ(lines[0].formula, "H2O");
    EXPECT_EQ(lines[1].number, 5);
    EXPECT_EQ(lines[1].id, "p1");
    EXPECT_EQ(lines[1].formula, "C6 H6");
    EXPECT_EQ(lines[2].formula, "Na");
    EXPECT_EQ(lines[3].number, 7);
    EXPECT_EQ(lines[3].formula, "last");
    EXPECT_TRUE(ReadAll("").empty());
}

TEST(FormulaReader, AnOverlongLineIsMarkedAndTheNextOneReadWhole)
{
    const std::string text = "id\t" + std::string(FormulaReader::MAX_LINE + 10, 'C') + "\nH2\n";
    const std::vector<InputLine> lines = ReadAll(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].tooLong);
    EXPECT_EQ(lines[0].formula.size(), FormulaReader::MAX_LINE - 3);
    EXPECT_FALSE(lines[1].tooLong);
    EXPECT_EQ(lines[1].formula, "H2");
    EXPECT_EQ(lines[1].number, 2);
}

// Items that take random times still come out in order, with any number of
// threads and any window, and an early stop ends the run cleanly.
TEST(OrderedRunner, DeliversInInputOrder)
{
    for (unsigned threads : {1u, 2u, 5u}) {
        for (std::size_t window : {1u, 3u, 64u}) {
            OrderedRunner<int, int> runner(threads, window);
            int produced = 1;
            std::vector<int> delivered;
            std::mt19937 rng(threads * 100 + static_cast<unsigned>(window));
            std::vector<int> delays(500);
            for (int& d : delays) d = static_cast<int>(rng() % 50);
            const bool completed = runner.Run(
                [&](int& item) {
                    EXPECT_EQ(item, 0);  // a fresh item each time
                    if (produced == 501) return false;
                    item = produced++;
                    return true;
                },
                [&](const int& item) {
                    std::this_thread::sleep_for(std::chrono::microseconds(delays[static_cast<std::size_t>(item - 1)]));
                    return item * 2;
                },
                [&](const int& item, const int& result) {
                    EXPECT_EQ(result, item * 2);
                    delivered.push_back(item);
                    return true;
                });
            EXPECT_TRUE(completed);
            ASSERT_EQ(delivered.size(), 500u);
            for (int i = 0; i < 500; ++i) ASSERT_EQ(delivered[static_cast<std::size_t>(i)], i + 1);
        }
    }
}

// Memory running out while reading or writing on the calling thread
// reaches the caller, the workers ended, whatever the number of threads.
TEST(OrderedRunner, WhatReadingOrDeliveringThrowsReachesTheCaller)
{
    for (unsigned threads : {1u, 2u, 5u})
        for (bool whileReading : {true, false}) {
            OrderedRunner<int, int> runner(threads, 4);
            int produced = 0;
            auto next = [&](int& item) {
                if (whileReading && produced == 50) throw std::bad_alloc();
                item = produced++;
                return produced <= 100;
            };
            auto deliver = [&](const int& item, const int&) {
                if (!whileReading && item == 50) throw std::bad_alloc();
                return true;
            };
            EXPECT_THROW(runner.Run(next, [](const int& item) { return item; }, deliver), std::bad_alloc) << threads;
        }
}

// What a worker throws reaches the caller on its item's turn, the workers
// ended; it never ends the process.
TEST(OrderedRunner, WhatWorkThrowsReachesTheCaller)
{
    for (unsigned threads : {1u, 2u, 5u}) {
        OrderedRunner<int, int> runner(threads, 4);
        int produced = 0, delivered = 0;
        auto next = [&](int& item) {
            item = produced++;
            return produced <= 100;
        };
        auto work = [](const int& item) {
            if (item == 50) throw std::bad_alloc();
            return item;
        };
        EXPECT_THROW(runner.Run(next, work, [&](const int&, const int&) { return ++delivered > 0; }), std::bad_alloc)
            << threads;
        EXPECT_EQ(delivered, 50) << threads;
    }
}

TEST(OrderedRunner, StopsWhenDeliveryFails)
{
    for (unsigned threads : {1u, 2u}) {
        OrderedRunner<int, int> runner(threads, 8);
        int produced = 0, delivered = 0;
        const bool completed = runner.Run(
            [&](int& item) {
                item = produced++;
                return true;  // endless input
            },
            [](const int& item) { return item; }, [&](const int&, const int&) { return ++delivered < 10; });
        EXPECT_FALSE(completed);
        EXPECT_EQ(delivered, 10);
        EXPECT_LE(produced, 10 + 8);
    }
}

}  // namespace
