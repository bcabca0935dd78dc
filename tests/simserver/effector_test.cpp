// The agent reply reader: joint groups, init, beam, say, and what it must throw away without
// losing the good groups around it.

#include "sim/server/effector.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/server/sexpr.h"

namespace {

struct Parsed {
    EffectorCommands c;
    EffectorRejects r;
};

Parsed Parse(const std::string& text) {
    Parsed p;
    ParseEffectors(text, p.c, p.r);
    return p;
}

TEST(EffectorTest, JointGroupsLandInWireOrderWhateverTheirOrderInTheReply) {
    Parsed p = Parse("(rae4 -0.5)(he1 1.5)(lle3 2.25)(rle6 -0.2)");
    EXPECT_EQ(0, p.r.Total());
    EXPECT_TRUE(p.c.jointSet[0]);
    EXPECT_DOUBLE_EQ(1.5, p.c.jointVelocity[0]);
    EXPECT_DOUBLE_EQ(2.25, p.c.jointVelocity[6]);   // lle3
    EXPECT_DOUBLE_EQ(-0.2, p.c.jointVelocity[13]);  // rle6
    EXPECT_DOUBLE_EQ(-0.5, p.c.jointVelocity[21]);  // rae4
    EXPECT_FALSE(p.c.jointSet[1]);
    EXPECT_FALSE(p.c.jointSet[7]);
}

TEST(EffectorTest, SpeedsBeyondTheMotorLimitAreClampedNonFiniteOnesIgnored) {
    Parsed p = Parse("(he1 100)(he2 -7)(lle1 nan)(rle1 inf)(lle2 -inf)(rle2 6.14)");
    EXPECT_DOUBLE_EQ(6.14, p.c.jointVelocity[0]);
    EXPECT_DOUBLE_EQ(-6.14, p.c.jointVelocity[1]);
    EXPECT_FALSE(p.c.jointSet[2]);
    EXPECT_FALSE(p.c.jointSet[3]);
    EXPECT_FALSE(p.c.jointSet[4]);
    EXPECT_DOUBLE_EQ(6.14, p.c.jointVelocity[5]);
    EXPECT_EQ(2, p.r.outOfRange);  // exactly 6.14 is not out of range
    EXPECT_EQ(3, p.r.nonFinite);
}

TEST(EffectorTest, AMalformedGroupIsSkippedItsNeighboursKept) {
    Parsed p = Parse("(he1 1)(he2 abc)(lle1)(bogus 3)(rle1 2 3)junk(raj1 0.5)(rae1 0.5)");
    EXPECT_TRUE(p.c.jointSet[0]);
    EXPECT_FALSE(p.c.jointSet[1]);
    EXPECT_FALSE(p.c.jointSet[2]);
    EXPECT_FALSE(p.c.jointSet[3]);
    EXPECT_TRUE(p.c.jointSet[15]);  // rae1
    // "raj1" is a perceptor name, not an effector.
    EXPECT_EQ(2, p.r.unknown);
    EXPECT_EQ(4, p.r.malformed);  // he2 abc, lle1 alone, rle1 with two values, junk
}

TEST(EffectorTest, AfterAnUnbalancedParenthesisTheRestIsIgnored) {
    Parsed stray = Parse("(he1 1))(he2 2)");
    EXPECT_TRUE(stray.c.jointSet[0]);
    EXPECT_FALSE(stray.c.jointSet[1]);
    EXPECT_EQ(1, stray.r.malformed);

    Parsed open = Parse("(he1 1)(he2 (2)(lle1 3)");
    EXPECT_TRUE(open.c.jointSet[0]);
    EXPECT_FALSE(open.c.jointSet[1]);
    EXPECT_FALSE(open.c.jointSet[2]);
}

TEST(EffectorTest, DeepNestingIsRejectedWithoutLosingStep) {
    std::string deep(5000, '(');
    deep += std::string(5000, ')');
    Parsed p = Parse(deep + "(he1 1)");
    EXPECT_TRUE(p.c.jointSet[0]);
    EXPECT_EQ(1, p.r.malformed);

    Parsed unterminated = Parse(std::string(70000, '('));
    EXPECT_EQ(1, unterminated.r.malformed);
}

TEST(EffectorTest, SceneInitAndBeamAsTheAgentWritesThem) {
    Parsed p = Parse("(scene rsg/agent/nao/nao.rsg)");
    EXPECT_TRUE(p.c.scene);
    EXPECT_EQ("rsg/agent/nao/nao.rsg", p.c.scenePath);

    Parsed init = Parse("(init (unum 7)(teamname MarrowFinch))");
    EXPECT_TRUE(init.c.init);
    EXPECT_EQ(7, init.c.unum);
    EXPECT_EQ("MarrowFinch", init.c.teamName);

    Parsed beam = Parse("(beam -5.5 -2 -0)");
    EXPECT_TRUE(beam.c.beam);
    EXPECT_DOUBLE_EQ(-5.5, beam.c.beamX);
    EXPECT_DOUBLE_EQ(-2, beam.c.beamY);
    EXPECT_DOUBLE_EQ(0, beam.c.beamRot);
}

TEST(EffectorTest, BadInitAndBeamAreRejected) {
    for (const char* text : {"(init (unum x)(teamname A))", "(init (unum 3))",
                             "(init (unum 3)(teamname A B))", "(init (teamname A)(unum 1.5))"}) {
        Parsed p = Parse(text);
        EXPECT_FALSE(p.c.init) << text;
        EXPECT_EQ(1, p.r.malformed) << text;
    }
    Parsed negative = Parse("(init (unum -1)(teamname A))");
    EXPECT_FALSE(negative.c.init);
    EXPECT_EQ(1, negative.r.outOfRange);
    Parsed longName = Parse("(init (unum 1)(teamname " + std::string(33, 'x') + "))");
    EXPECT_FALSE(longName.c.init);

    EXPECT_FALSE(Parse("(beam 1 2)").c.beam);
    Parsed nanBeam = Parse("(beam nan 0 0)");
    EXPECT_FALSE(nanBeam.c.beam);
    EXPECT_EQ(1, nanBeam.r.nonFinite);
}

TEST(EffectorTest, SayFollowsTheMessageRules) {
    EXPECT_EQ("k4q51.25y0.5", Parse("(say k4q51.25y0.5)").c.sayText);
    EXPECT_TRUE(Parse("(say " + std::string(20, 'a') + ")").c.say);
    for (std::string bad :
         {"(say " + std::string(21, 'a') + ")", std::string("(say a b)"), std::string("(say)"),
          std::string("(say \x01x)"), std::string("(say caf\xc3\xa9)")}) {
        Parsed p = Parse(bad);
        EXPECT_FALSE(p.c.say) << bad;
        EXPECT_EQ(1, p.r.badSay) << bad;
    }
}

TEST(EffectorTest, SynAloneIsAReplyWithNoCommand) {
    Parsed p = Parse("(syn)");
    EXPECT_TRUE(p.c.syn);
    EXPECT_EQ(0, p.r.Total());
}

TEST(SexprTest, NumberAtomsMustBeWholeNumbers) {
    double v = 0;
    EXPECT_TRUE(ParseNumberAtom("-0.25", v));
    EXPECT_DOUBLE_EQ(-0.25, v);
    EXPECT_TRUE(ParseNumberAtom("1e2", v));
    EXPECT_DOUBLE_EQ(100, v);
    EXPECT_FALSE(ParseNumberAtom("1.5x", v));
    EXPECT_FALSE(ParseNumberAtom("", v));
    long n = 0;
    EXPECT_TRUE(ParseIntAtom("12", n));
    EXPECT_EQ(12, n);
    EXPECT_FALSE(ParseIntAtom("1.0", n));
    EXPECT_FALSE(ParseIntAtom("-", n));
    EXPECT_FALSE(ParseIntAtom("99999999999999999999", n));
}

}  // namespace
