// The player's ring of slots against a scripted device: order, busy slots,
// reuse, reset and the bounded waits.

#include "player/FakeSoundOutput.h"
#include "player/TWavePlayer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// 16-bit stereo at 44100 Hz: 4 bytes a frame, 100 ms in 4410 frames.
WaveFormat Stereo16() {
    return WaveFormat{1, 2, 44100, 44100 * 4, 4, 16, 0};
}

// A block of frames × 4 bytes, every byte tag, so each block is told apart.
std::vector<uint8_t> Block(int32_t frames, uint8_t tag) {
    return std::vector<uint8_t>(size_t(frames) * 4, tag);
}

class PlayerRing : public ::testing::Test {
protected:
    PlayerRing() {
        auto device = std::make_unique<FakeSoundOutput>(log);
        fake = device.get();
        player = std::make_unique<TWavePlayer>(std::move(device));
        player->outputFormat = Stereo16();
    }

    void Open(int32_t ringSize, int32_t frames) {
        player->SetBufferCount(ringSize);
        ASSERT_EQ(player->OpenDevice(nullptr, frames), kSoundOk);
    }

    uint32_t Queue(int32_t frames, uint8_t tag, bool wait = false) {
        const std::vector<uint8_t> block = Block(frames, tag);
        return player->QueueBlock(block.data(), frames, wait);
    }

    std::vector<uint8_t> PlayedTags() const {
        std::vector<uint8_t> tags;
        for (const auto &b : log.played)
            tags.push_back(b.empty() ? 0 : b.front());
        return tags;
    }

    FakeDeviceLog log;
    FakeSoundOutput *fake = nullptr; // owned by player
    std::unique_ptr<TWavePlayer> player;
};

TEST(PlayerDefaults, FreshPlayerHasItsDefaults) {
    FakeDeviceLog log;
    TWavePlayer player(std::make_unique<FakeSoundOutput>(log));
    EXPECT_TRUE(player.fileName.isEmpty());
    EXPECT_EQ(player.slotCount(), 8);
    EXPECT_EQ(player.blockFrames(), 4096);
    EXPECT_FALSE(player.stopPlayback);
    EXPECT_FALSE(player.deviceOpen());
}

TEST(PlayerDefaults, BufferCountOutsideTwoToSixteenFallsBackToEight) {
    const std::pair<int32_t, int32_t> cases[] = {{2, 2},  {16, 16}, {5, 5}, {1, 8},
                                                 {17, 8}, {0, 8},   {-3, 8}};
    for (const auto &[asked, expected] : cases) {
        FakeDeviceLog log;
        TWavePlayer player(std::make_unique<FakeSoundOutput>(log));
        player.outputFormat = Stereo16();
        player.SetBufferCount(asked);
        EXPECT_EQ(player.slotCount(), expected) << asked;
        ASSERT_EQ(player.OpenDevice(nullptr, 64), kSoundOk);
        EXPECT_EQ(player.ringSlots(), expected) << asked;
    }
}

TEST_F(PlayerRing, BufferCountTakesEffectAtTheNextOpen) {
    Open(4, 64);
    player->SetBufferCount(3);
    EXPECT_EQ(player->ringSlots(), 4);
    for (uint8_t tag = 1; tag <= 4; ++tag)
        EXPECT_EQ(Queue(64, tag), kSoundOk);
    EXPECT_EQ(Queue(64, 5), TWavePlayer::kSlotBusy);
}

TEST_F(PlayerRing, OpenHandsTheOutputFormatToTheDeviceAndSizesTheSlots) {
    player->outputFormat = WaveFormat{1, 1, 22050, 22050 * 3, 3, 24, 0};
    Open(2, 100);
    EXPECT_EQ(fake->opened.bitsPerSample, 24);
    EXPECT_EQ(fake->opened.channels, 1);
    EXPECT_EQ(fake->opened.sampleRate, 22050u);
    EXPECT_EQ(player->blockFrames(), 100);
    const std::vector<uint8_t> block(300, 7);
    ASSERT_EQ(player->QueueBlock(block.data(), 100, false), kSoundOk);
    fake->Play(1);
    ASSERT_EQ(log.played.size(), 1u);
    EXPECT_EQ(log.played[0], block);
}

TEST_F(PlayerRing, BlocksPlayInOrderAndAreCopiesOfTheCallersBlock) {
    Open(3, 16);
    std::vector<uint8_t> block = Block(16, 1);
    ASSERT_EQ(player->QueueBlock(block.data(), 16, false), kSoundOk);
    // The caller reuses its block at once; the queued copy must not change.
    std::fill(block.begin(), block.end(), uint8_t(2));
    ASSERT_EQ(player->QueueBlock(block.data(), 16, false), kSoundOk);
    ASSERT_EQ(Queue(5, 3), kSoundOk); // a short last block
    fake->Play(3);
    EXPECT_EQ(PlayedTags(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(log.played[2].size(), 20u);
    EXPECT_EQ(log.played[0], Block(16, 1));
}

TEST_F(PlayerRing, BusySlotWithoutWaitingAnswers10000AndChangesNothing) {
    Open(2, 16);
    ASSERT_EQ(Queue(16, 1), kSoundOk);
    ASSERT_EQ(Queue(16, 2), kSoundOk);
    EXPECT_EQ(Queue(16, 3), TWavePlayer::kSlotBusy);
    EXPECT_EQ(Queue(16, 3), TWavePlayer::kSlotBusy);
    EXPECT_EQ(log.writtenData.size(), 2u);
    EXPECT_EQ(fake->queued(), 2u);
    EXPECT_TRUE(log.waitTimeouts.empty());

    // Once the first slot has played it takes the next block, and the one
    // after waits for the second slot: the ring goes round in order.
    fake->Play(1);
    EXPECT_EQ(Queue(16, 3), kSoundOk);
    EXPECT_EQ(log.writtenData[2], log.writtenData[0]);
    EXPECT_EQ(Queue(16, 4), TWavePlayer::kSlotBusy);
    fake->Play(1);
    EXPECT_EQ(Queue(16, 4), kSoundOk);
    EXPECT_EQ(log.writtenData[3], log.writtenData[1]);
    fake->Play(2);
    EXPECT_EQ(PlayedTags(), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(PlayerRing, WaitingForABusySlotIsBoundedByThePlayTimeQueued) {
    Open(2, 4410); // 100 ms a slot
    ASSERT_EQ(Queue(4410, 1), kSoundOk);
    ASSERT_EQ(Queue(4410, 2), kSoundOk);
    fake->playsWhileWaiting = false; // a device that has stopped draining
    // A wait that runs out is told apart from a busy slot the caller did not
    // wait for, and from every answer of the device.
    EXPECT_EQ(Queue(4410, 3, true), TWavePlayer::kWaitTimedOut);
    ASSERT_EQ(log.waitTimeouts.size(), 1u);
    EXPECT_EQ(log.waitTimeouts[0], 200 + 2000);
    EXPECT_EQ(log.writtenData.size(), 2u);
    EXPECT_EQ(Queue(4410, 3, false), TWavePlayer::kSlotBusy);

    fake->playsWhileWaiting = true;
    EXPECT_EQ(Queue(4410, 3, true), kSoundOk);
    fake->Play(2);
    EXPECT_EQ(PlayedTags(), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(PlayerRing, DeviceErrorLeavesTheSlotForTheRetry) {
    Open(2, 16);
    fake->writeResult = kSoundError;
    EXPECT_EQ(Queue(16, 1), kSoundError);
    EXPECT_EQ(player->lastResult(), kSoundError);
    EXPECT_EQ(Queue(16, 1), kSoundOk);
    EXPECT_EQ(Queue(16, 2), kSoundOk);
    EXPECT_EQ(Queue(16, 3), TWavePlayer::kSlotBusy);
    fake->Play(2);
    EXPECT_EQ(PlayedTags(), (std::vector<uint8_t>{1, 2}));
}

TEST_F(PlayerRing, BlocksLongerThanTheSlotsOrWithoutBytesAreRefused) {
    Open(2, 16);
    EXPECT_EQ(Queue(17, 1), kSoundInvalidParam);
    EXPECT_EQ(player->QueueBlock(nullptr, 4, false), kSoundInvalidParam);
    const std::vector<uint8_t> block = Block(4, 1);
    EXPECT_EQ(player->QueueBlock(block.data(), -1, false), kSoundInvalidParam);
    EXPECT_TRUE(log.writtenData.empty());
}

TEST_F(PlayerRing, CloseWithResetDropsEverythingAtOnce) {
    Open(4, 4410);
    for (uint8_t tag = 1; tag <= 3; ++tag)
        ASSERT_EQ(Queue(4410, tag), kSoundOk);
    fake->playsWhileWaiting = false;
    EXPECT_EQ(player->CloseDevice(true), kSoundOk);
    EXPECT_EQ(log.resets, 1);
    EXPECT_EQ(log.closes, 1);
    EXPECT_TRUE(log.waitTimeouts.empty()); // nothing left to wait for
    EXPECT_TRUE(log.played.empty());
    EXPECT_FALSE(player->deviceOpen());
    EXPECT_EQ(player->ringSlots(), 0);
    EXPECT_TRUE(player->closing);
}

TEST(PlayerCodes, TimedOutWaitIsNoOtherAnswer) {
    const uint32_t others[] = {kSoundOk,           kSoundError,        kSoundNoDevice,
                               kSoundNotOpen,      kSoundInvalidParam, kSoundBadFormat,
                               kSoundStillPlaying, kSoundQueueFull,    TWavePlayer::kSlotBusy};
    for (const uint32_t code : others)
        EXPECT_NE(TWavePlayer::kWaitTimedOut, code);
}

TEST_F(PlayerRing, CloseWithoutResetPlaysEverythingQueued) {
    Open(4, 4410);
    for (uint8_t tag = 1; tag <= 3; ++tag)
        ASSERT_EQ(Queue(4410, tag), kSoundOk);
    EXPECT_EQ(player->CloseDevice(false), kSoundOk);
    EXPECT_EQ(PlayedTags(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(log.resets, 0);
    EXPECT_EQ(log.closes, 1);
    ASSERT_EQ(log.waitTimeouts.size(), 1u);
    EXPECT_EQ(log.waitTimeouts[0], 300 + 2000);
}

TEST_F(PlayerRing, CloseWithoutResetGivesUpOnADeviceThatStopsDraining) {
    Open(4, 4410);
    ASSERT_EQ(Queue(4410, 1), kSoundOk);
    ASSERT_EQ(Queue(4410, 2), kSoundOk);
    fake->Play(1);
    fake->playsWhileWaiting = false;
    player->CloseDevice(false);
    ASSERT_EQ(log.waitTimeouts.size(), 1u);
    EXPECT_EQ(log.waitTimeouts[0], 100 + 2000); // only the block still queued counts
    EXPECT_EQ(log.resets, 1);
    EXPECT_EQ(log.closes, 1);
    EXPECT_FALSE(player->deviceOpen());
}

TEST_F(PlayerRing, ADeviceThatDoesNotOpenIsNeverClosed) {
    fake->openResult = kSoundNoDevice;
    player->SetBufferCount(4);
    EXPECT_EQ(player->OpenDevice(nullptr, 64), kSoundNoDevice);
    EXPECT_FALSE(player->deviceOpen());
    EXPECT_EQ(player->ringSlots(), 4); // built, still to be released
    EXPECT_EQ(Queue(64, 1), kSoundNotOpen);
    player->CloseDevice(false);
    EXPECT_EQ(player->ringSlots(), 0);
    EXPECT_EQ(log.closes, 0);
    EXPECT_EQ(log.resets, 0);
    EXPECT_TRUE(log.waitTimeouts.empty());
}

TEST_F(PlayerRing, ReopeningStartsAFreshRing) {
    Open(2, 16);
    ASSERT_EQ(Queue(16, 1), kSoundOk);
    ASSERT_EQ(Queue(16, 2), kSoundOk);
    Open(2, 32); // the open device is reset and closed first
    EXPECT_EQ(log.resets, 1);
    EXPECT_EQ(log.closes, 1);
    EXPECT_EQ(Queue(32, 3), kSoundOk);
    EXPECT_EQ(Queue(32, 4), kSoundOk);
    fake->Play(2);
    EXPECT_EQ(PlayedTags(), (std::vector<uint8_t>{3, 4}));
}

} // namespace
