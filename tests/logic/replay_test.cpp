// Replays: the recorded witness matches of tests/replays each end exactly where their files say; matches
// are kept as they are played, ten at most beside last.replay; a folder that cannot take them costs one line.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/watch.h"
#include "core/game_state.h"
#include "app/events.h"
#include "match/clock.h"
#include "match/flow.h"
#include "match/keeping.h"
#include "match/replay_file.h"
#include "support/fake_platform.h"

namespace {

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string contents(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
        std::fclose(file);
    }
    return bytes;
}

bool load(const std::string& path) {
    std::snprintf(game.replayPath, sizeof game.replayPath, "%s", path.c_str());
    return loadReplay();
}

}  // namespace

// Each witness replayed headless ends on its file's points, games and step count;
// together they cover both playgrounds, every difficulty against the computer,
// two players and a network match, serves bent from the top past the computer,
// and a pace at which the ball could slip through a bat that covers it.
TEST(Replays, RecordedMatchesEndWhereTheirFilesSay) {
    const std::string folder = std::string(TARVO_SOURCE_DIR) + "/tests/replays";
    std::set<int> playgrounds;
    std::set<float> difficulties;
    bool twoPlayers = false, network = false;
    const std::vector<std::string> names = filesIn(folder);
    ASSERT_GE(names.size(), 5u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        freshGame();
        ASSERT_TRUE(load(folder + "/" + name));
        const ReplayHeader header = game.replayHeader;
        EXPECT_EQ(playReplayThrough(), header.steps);
        EXPECT_EQ(game.p1Points, header.points[0]);
        EXPECT_EQ(game.p2Points, header.points[1]);
        EXPECT_EQ(game.p1Games, header.games[0]);
        EXPECT_EQ(game.p2Games, header.games[1]);
        EXPECT_TRUE(header.finished && (game.p1Games == 3 || game.p2Games == 3));
        playgrounds.insert(header.playground);
        if (header.vsComputer) difficulties.insert(header.difficulty);
        twoPlayers |= header.p2Human && header.kind == REPLAY_LOCAL;
        network |= header.kind == REPLAY_FIXED;
        EXPECT_TRUE(game.replayActive == 0 && game.difficulty == 11.0f);  // the watcher's own again
    }
    EXPECT_EQ(playgrounds, (std::set<int>{1, 2}));
    EXPECT_EQ(difficulties, (std::set<float>{2, 9, 11, 13}));  // and a pace far beyond the menu's
    EXPECT_TRUE(twoPlayers && network);
}

// Twelve matches left with Escape after a rally or two: the ten newest are kept,
// last.replay is the newest, and each plays back to where it was left. Where the
// folder cannot be made, the match is played all the same, and one line says so.
TEST(Replays, TenNewestAreKeptAndAFolderThatCannotBeMadeCostsOneLine) {
    char scratch[] = "/tmp/tarvo-replays.XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    auto playAndLeave = [](int frames) {
        game.introActive = 0;
        game.menuActive = 0;
        game.playground = 1;
        resetMatch();
        game.matchActive = 1;
        for (int n = 0; n < frames; n++) {
            game.keyHeld[game.p1Pass] = n % 50 == 0;
            fake::ticks += 9 + n % 5;
            onAppIdle();
        }
        const MatchState left = game;
        onKeyboard(27, 0, 0);  // Escape
        return left;
    };
    freshGame();
    game.keepReplays = 1;
    std::snprintf(game.replayFolder, sizeof game.replayFolder, "%s/replays", scratch);
    MatchState left;
    std::vector<std::string> made, kept;
    for (int match = 0; match < 12; match++) {
        left = playAndLeave(300 + 40 * match);
        kept = filesIn(std::string(scratch) + "/replays");
        ASSERT_GE(kept.size(), 2u);
        made.push_back(kept[kept.size() - 2]);  // the newest, named by its moment
    }
    made.erase(made.begin(), made.begin() + 2);  // the two oldest went
    made.push_back("last.replay");
    EXPECT_EQ(kept, made);
    const std::string newest = std::string(scratch) + "/replays/" + kept[kept.size() - 2];
    EXPECT_EQ(contents(newest), contents(std::string(scratch) + "/replays/last.replay"));

    const GameState keeper = game;
    ASSERT_TRUE(load(newest));
    EXPECT_EQ(game.replayHeader.finished, 0);
    EXPECT_EQ(playReplayThrough(), game.replayHeader.steps);
    EXPECT_EQ(game.ballX, left.ballX);
    EXPECT_EQ(game.p1BatY, left.p1BatY);
    EXPECT_EQ(game.p1Points + game.p2Points, left.p1Points + left.p2Points);
    EXPECT_GT(left.p1Points + left.p2Points, 0);
    EXPECT_EQ(filesIn(std::string(scratch) + "/replays").size(), 11u);  // watching keeps nothing

    free(game.replayData);
    game = keeper;
    std::snprintf(game.replayFolder, sizeof game.replayFolder, "%s/replays/last.replay/more", scratch);
    testing::internal::CaptureStderr();
    left = playAndLeave(400);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("Replay: this match was not kept: ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
    EXPECT_EQ(left.matchStep, 400u);

    std::string clean = std::string("rm -rf ") + scratch;
    ASSERT_EQ(std::system(clean.c_str()), 0);
}
