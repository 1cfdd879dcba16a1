// ConnectCad attaching to, starting or failing to reach a drawing program,
// and the scripted drawing program of the command tests recording what it is
// asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cad/cad.h"
#include "support/scripted_cad.h"

namespace gradix {
namespace {

using testing::ScriptedCad;

TEST(ConnectCad, AttachesStartsOrShowsTheFailure) {
    ScriptedCad running;
    EXPECT_EQ(ConnectCad(running, running), &running);
    EXPECT_TRUE(running.visible);
    EXPECT_EQ(running.activated, std::vector<std::string>{running.caption});
    EXPECT_EQ(running.log.front(), "attach");

    ScriptedCad none;
    none.running = false;
    EXPECT_EQ(ConnectCad(none, none), &none);
    EXPECT_EQ(none.log[1], "start");

    ScriptedCad failing;
    failing.running = false;
    failing.startFailure = "无法打开绘图窗口：no display";
    EXPECT_EQ(ConnectCad(failing, failing), nullptr);
    EXPECT_EQ(failing.messages, std::vector<std::string>{"无法打开绘图窗口：no display"});
    EXPECT_TRUE(failing.activated.empty());

    ScriptedCad silent;
    silent.failAt = "Visible";
    silent.failureText = "";
    EXPECT_EQ(ConnectCad(silent, silent), nullptr);
    EXPECT_EQ(silent.messages, std::vector<std::string>{CAD_LINK_FAILED_TEXT});
}

TEST(ScriptedCadRecording, RecordsEveryCallAndProperty) {
    ScriptedCad cad;
    cad.points = {CadPoint{100.5, 200, 0}};
    CadDocument& doc = cad.ActiveDocument();
    doc.TextStyles().Add("jp").Width(0.75);
    CadMText& m = doc.ModelSpace().AddMText({1, 2, 0}, 0, "");
    m.Color(1);
    EXPECT_EQ(doc.Utility().GetPoint("p"), (CadPoint{100.5, 200, 0}));
    EXPECT_FALSE(doc.Utility().GetPoint("q"));
    const std::vector<std::string> expected = {"ActiveDocument",
                                               "TextStyles.Add(jp)",
                                               "TextStyle[jp].Width=0.75",
                                               "ModelSpace.AddMText((1,2,0),0,)",
                                               "MText[1].Color=1",
                                               "GetPoint(p)",
                                               "GetPoint(q)"};
    EXPECT_EQ(cad.log, expected);
    EXPECT_EQ(cad.mtexts.at(0).color, 1);
    cad.failAt = "Layers.Add";
    EXPECT_THROW(doc.Layers().Add("x"), CadError);
}

}  // namespace
}  // namespace gradix
