#include "shellext/drag_detect.h"

#include <gtest/gtest.h>

#include <deque>

using namespace lark::shellext;
using Kind = DragMessage::Kind;

namespace {

// A scripted queue; an empty slot stands for an empty queue at that moment. The buttons count
// as held until the script is used up.
class Script : public DragMessageSource {
public:
    Script(std::initializer_list<std::optional<DragMessage>> messages) : queue(messages) {}
    bool ButtonsDown() override { return !queue.empty(); }
    std::optional<DragMessage> Next() override {
        auto m = queue.front();
        queue.pop_front();
        return m;
    }
    void Idle() override { ++idles; }
    std::deque<std::optional<DragMessage>> queue;
    int idles = 0;
};

DragMessage Move(int x, int y, std::uint32_t time) { return {Kind::MouseMove, x, y, time}; }
DragMessage Msg(Kind kind) { return {kind, 0, 0, 0}; }

// Press at (100, 100) at tick 1000 with a drag width and height of 4: inside is 96..103.
bool Detect(Script& s, std::uint32_t start = 1000) { return DetectDrag(s, 100, 100, 4, 4, start); }

TEST(DragDetect, StartsOnlyOutsideTheRectangleAndAfterTheDelay) {
    struct Case {
        const char* what;
        Script script;
        bool drag;
    };
    Case cases[] = {
        {"out after 200 ms", {Move(110, 100, 1200)}, true},
        {"out after 199 ms, then release", {Move(110, 100, 1199), Msg(Kind::ButtonUp)}, false},
        {"early out, later out again", {Move(110, 100, 1050), Move(111, 100, 1250)}, true},
        {"inside late", {Move(103, 103, 5000)}, false},
        {"left edge is inside", {Move(96, 100, 5000)}, false},
        {"right edge is outside", {Move(104, 100, 5000)}, true},
        {"above", {Move(100, 95, 5000)}, true},
        {"release first", {Msg(Kind::ButtonUp), Move(200, 200, 5000)}, false},
        {"cancel mode", {Msg(Kind::CancelMode), Move(200, 200, 5000)}, false},
        {"quit", {Msg(Kind::Quit), Move(200, 200, 5000)}, false},
        {"other messages pass", {Msg(Kind::Other), std::nullopt, Move(200, 200, 5000)}, true},
        {"buttons up", {}, false},
    };
    for (Case& c : cases) EXPECT_EQ(Detect(c.script), c.drag) << c.what;
}

TEST(DragDetect, DelaySurvivesTickWrapAndEmptyQueueWaits) {
    Script wrapped{Move(200, 200, 0x00000010)};
    EXPECT_TRUE(Detect(wrapped, 0xFFFFFF00));  // 272 ms later across the wrap
    Script tooSoon{Move(200, 200, 0x00000010), Msg(Kind::ButtonUp)};
    EXPECT_FALSE(Detect(tooSoon, 0xFFFFFFA0));  // 112 ms later

    Script idle{std::nullopt, std::nullopt, Move(200, 200, 1300)};
    EXPECT_TRUE(Detect(idle));
    EXPECT_EQ(idle.idles, 2);
}

}  // namespace
