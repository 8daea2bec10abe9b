// The report object pool: blocks never overlap while in use, survive any order of freeing,
// can be freed on another thread, and report objects built from them behave as before.

#include "report/RepItemPool.h"

#include "report/RepItems.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace gq::report
{
namespace
{

struct Block
{
    unsigned char* Data;
    std::size_t Size;
    unsigned char Fill;
};

bool Intact(const Block& block)
{
    for (std::size_t i = 0; i < block.Size; ++i) {
        if (block.Data[i] != block.Fill) {
            return false;
        }
    }
    return true;
}

// Random allocations and frees of many sizes (pooled and not), each block filled with its own
// byte and checked when it is freed: an overlap or a block handed out twice shows as a change.
TEST(RepItemPoolTest, BlocksInUseNeverOverlapThroughRandomFrees)
{
    std::mt19937 random(5);
    std::vector<Block> live;
    for (int step = 0; step < 40000; ++step) {
        if (live.empty() || random() % 5 < 3) {
            // Mostly a few report-sized classes, sometimes any size up to past the pooled limit.
            std::size_t size = random() % 4 != 0 ? 344 + 112 * (random() % 2) : random() % 1100;
            auto* data = static_cast<unsigned char*>(TRepItemPool::Allocate(size));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u) << size;
            auto fill = static_cast<unsigned char>(random());
            std::memset(data, fill, size);
            live.push_back({data, size, fill});
        } else {
            std::size_t at = random() % live.size();
            ASSERT_TRUE(Intact(live[at])) << "step " << step;
            TRepItemPool::Release(live[at].Data, live[at].Size);
            live[at] = live.back();
            live.pop_back();
        }
        if (step == 20000) { // free everything once, so emptied sizes start over
            for (const Block& block : live) {
                ASSERT_TRUE(Intact(block));
                TRepItemPool::Release(block.Data, block.Size);
            }
            live.clear();
        }
    }
    for (const Block& block : live) {
        EXPECT_TRUE(Intact(block));
        TRepItemPool::Release(block.Data, block.Size);
    }
}

TEST(RepItemPoolTest, BlocksMayBeFreedOnAnotherThread)
{
    std::vector<void*> blocks;
    for (int i = 0; i < 5000; ++i) {
        blocks.push_back(TRepItemPool::Allocate(456));
    }
    std::thread([&] {
        for (void* block : blocks) {
            TRepItemPool::Release(block, 456);
        }
    }).join();
    void* again = TRepItemPool::Allocate(456);
    EXPECT_NE(again, nullptr);
    TRepItemPool::Release(again, 456);
    TRepItemPool::Release(nullptr, 456); // does nothing
}

// Report objects of different classes, created and freed in interleaved runs, keep their own
// values: a block reused too early would show another object's text or bounds.
TEST(RepItemPoolTest, ReportObjectsKeepTheirValuesAcrossReuse)
{
    TRepContainerControl owner(nullptr);
    std::vector<TRepText*> texts;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 300; ++i) {
            auto* text = new TRepText(&owner);
            text->SetText(std::to_string(round * 1000 + i));
            text->SetLeft(i);
            texts.push_back(text);
            auto* line = new TRepHLine(&owner);
            line->SetWidth(i + 0.5);
            if (i % 2 == 0) {
                delete line;
            }
        }
        for (std::size_t i = 0; i < texts.size(); i += 2) {
            delete texts[i];
            texts[i] = nullptr;
        }
        std::erase(texts, nullptr);
    }
    for (TRepText* text : texts) {
        int value = std::stoi(text->Text());
        EXPECT_EQ(text->Left(), value % 1000);
    }
    EXPECT_EQ(owner.ComponentCount(), static_cast<int>(texts.size()) + 3 * 150);
}

} // namespace
} // namespace gq::report
