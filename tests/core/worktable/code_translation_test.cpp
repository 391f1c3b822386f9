// The translation of a ZOLT code into Banner's test code and score: every
// row of the rules, the shape of a code deciding its kind, and the look-up
// in a real code table.
#include "core/worktable/code_translation.h"

#include <gtest/gtest.h>

#include "core/worktable/code_tables.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;

namespace {

using Result = CodeLookup::Result;
using Action = Translation::Action;

struct Case {
    const char* what;
    std::string code;
    std::int64_t correct;
    std::int64_t score;
    CodeLookup lookup;
    Action action;
    std::string testCode;
    std::string testScore;
};

TEST(TranslateCode, EveryRowOfTheRules) {
    const Case cases[] = {
        // Placement codes: exactly four characters; the score is the level.
        {"placement selected", "EN05", 7, 123, {Result::Selects, "ENG"}, Action::Set, "ENG", "05"},
        {"placement excluded", "EN05", 7, 123, {Result::Excludes, ""}, Action::Delete, "", ""},
        {"placement not in table", "EN05", 7, 123, {Result::NotFound, ""}, Action::Keep, "", ""},
        {"placement, no table", "EN05", 7, 123, {Result::NoTable, ""}, Action::Set, "EN", "05"},
        // Score codes: upper-case S first; the score is SCORE.
        {"score selected", "S12", 7, 123, {Result::Selects, "SAT"}, Action::Set, "SAT", "0123"},
        {"score excluded", "S12", 7, 123, {Result::Excludes, ""}, Action::Delete, "", ""},
        {"score not in table", "S12", 7, 123, {Result::NotFound, ""}, Action::Keep, "", ""},
        {"score, no table", "S12", 7, 123, {Result::NoTable, ""}, Action::Set, "S12", "0123"},
        // Assessment codes: anything else; the score is CORRECT.
        {"assessment selected",
         "RD",
         7,
         123,
         {Result::Selects, "READ"},
         Action::Set,
         "READ",
         "0007"},
        {"assessment excluded", "RD", 7, 123, {Result::Excludes, ""}, Action::Delete, "", ""},
        {"assessment not in table", "RD", 7, 123, {Result::NotFound, ""}, Action::Keep, "", ""},
        {"assessment, no table", "RD", 7, 123, {Result::NoTable, ""}, Action::Set, "RD", "0007"},
        // The edges of the kinds.
        {"lower-case s is an assessment",
         "s1",
         7,
         123,
         {Result::NoTable, ""},
         Action::Set,
         "s1",
         "0007"},
        {"empty code is an assessment", "", 7, 123, {Result::NoTable, ""}, Action::Set, "", "0007"},
        {"four characters starting with S is a placement",
         "S123",
         7,
         123,
         {Result::NoTable, ""},
         Action::Set,
         "S1",
         "23"},
        {"empty numbers give zeros",
         "S12",
         0,
         0,
         {Result::NoTable, ""},
         Action::Set,
         "S12",
         "0000"},
        {"a wide score is not cut",
         "SWR",
         0,
         12345,
         {Result::NoTable, ""},
         Action::Set,
         "SWR",
         "12345"},
        {"NEWCODE kept as read", "MA", 3, 0, {Result::Selects, " M"}, Action::Set, " M", "0003"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Translation t = TranslateCode(c.code, c.correct, c.score, c.lookup);
        EXPECT_EQ(t.action, c.action);
        if (c.action == Action::Set) {
            EXPECT_EQ(t.testCode, c.testCode);
            EXPECT_EQ(t.testScore, c.testScore);
        }
    }
}

TEST(IsPlacementCode, FourCharactersExactly) {
    EXPECT_TRUE(IsPlacementCode("EN05"));
    EXPECT_TRUE(IsPlacementCode("S123"));
    EXPECT_FALSE(IsPlacementCode("SWR"));
    EXPECT_FALSE(IsPlacementCode(""));
    EXPECT_FALSE(IsPlacementCode("ENG05"));
}

TEST(LookUpCode, WhatARowOfTheCodeTableSays) {
    DataDirectory dir("lookup");
    ScriptedUserInterface ui;
    XbaseTable codes;
    OpenTestTable(codes, dir.path(), ui);
    const std::vector<std::tuple<std::string, bool, std::string>> rows = {
        {"RD", true, "READ"}, {"RDXX", true, "LONG"}, {"WR", false, "WRIT"},
        {"MA", true, "    "}, {"AL", true, " A"},
    };
    for (const auto& [code, include, newCode] : rows) {
        codes.Append();
        codes.SetText("CODE", code);
        codes.SetBool("INCLUDE", include);
        codes.SetText("NEWCODE", newCode);
        codes.Post();
    }
    struct Case {
        std::string code;
        Result result;
        std::string newCode;
    };
    const Case cases[] = {
        {"RD", Result::Selects, "READ"},  // not the row whose code only starts with RD
        {"RDXX", Result::Selects, "LONG"}, {"WR", Result::Excludes, ""},  // not included
        {"MA", Result::Excludes, ""},                                     // NEWCODE blank
        {"AL", Result::Selects, " A"},     {"EN", Result::NotFound, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const CodeLookup lookup = LookUpCode(&codes, c.code);
        EXPECT_EQ(lookup.result, c.result);
        EXPECT_EQ(lookup.newCode, c.newCode);
    }
    EXPECT_EQ(LookUpCode(nullptr, "RD").result, Result::NoTable);
}

// A row deleted in the grid stays in the file until a pack, and its key in
// the index: the look-up passes over it to a live row with the same code.
TEST(LookUpCode, ARowTheUserDeletedSaysNothing) {
    DataDirectory dir("lookup");
    ScriptedUserInterface ui;
    XbaseTable codes;
    OpenPlacementTable(codes, dir.path(), ui);
    struct Stored {
        std::string code;
        bool include;
        std::string newCode;
        bool deleted;
    };
    const Stored rows[] = {
        {"EN01", true, "OLD", true}, {"EN01", true, "NEW", false}, {"MA01", false, "MA", true},
        {"RD01", true, "RD", true},  {"RD01", true, "RD2", true},  {"WR01", true, "WR", false},
    };
    for (const Stored& row : rows) {
        codes.Append();
        codes.SetText("CODE", row.code);
        codes.SetBool("INCLUDE", row.include);
        codes.SetText("NEWCODE", row.newCode);
        codes.Post();
        if (row.deleted) codes.Delete();
    }
    struct Case {
        std::string code;
        Result result;
        std::string newCode;
    };
    const Case cases[] = {
        {"EN01", Result::Selects, "NEW"},  // the live row after a deleted one
        {"MA01", Result::NotFound, ""},    // a deleted exclusion excludes nothing
        {"RD01", Result::NotFound, ""},    // every row of the code deleted
        {"WR01", Result::Selects, "WR"},   // the row after them is no row of RD01
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const CodeLookup lookup = LookUpCode(&codes, c.code);
        EXPECT_EQ(lookup.result, c.result);
        EXPECT_EQ(lookup.newCode, c.newCode);
    }
}

}  // namespace
