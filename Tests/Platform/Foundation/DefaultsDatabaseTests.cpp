#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Platform/Foundation/PropertyList.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(DefaultsDatabase, StoredValuesWinOverRegisteredDefaultsWhichAreNeverStored) {
    MemoryDefaultsDatabase defaults("local.test.App");
    defaults.registerDefaults({{"showStatusOnLaunch", false}, {"backgroundPolling", true}});
    EXPECT_EQ(defaults.object("backgroundPolling"), PropertyValue(true));
    EXPECT_EQ(defaults.object("missing"), std::nullopt);
    EXPECT_EQ(defaults.persistentDomain("local.test.App"), PropertyDictionary{});

    defaults.set(false, "backgroundPolling");
    EXPECT_EQ(defaults.object("backgroundPolling"), PropertyValue(false));
    defaults.removeObject("backgroundPolling");
    EXPECT_EQ(defaults.object("backgroundPolling"), PropertyValue(true));  // the registered default again

    defaults.set(Data{1, 2}, "observationTarget");
    defaults.registerDefaults({{"showStatusOnLaunch", true}});
    EXPECT_EQ(defaults.persistentDomain("local.test.App"), (PropertyDictionary{{"observationTarget", Data{1, 2}}}));
    EXPECT_EQ(defaults.persistentDomain("local.other.App"), std::nullopt);
    EXPECT_TRUE(defaults.boolForKey("showStatusOnLaunch"));
}

TEST(DefaultsDatabase, ObjectKeepsTypesWhileTypedReadsConvert) {
    MemoryDefaultsDatabase defaults("d", {{"one", 1},
                                          {"zero", 0},
                                          {"real", -2.75},
                                          {"yes", "YES"},
                                          {"digits", "12abc"},
                                          {"word", "maybe"},
                                          {"flag", true},
                                          {"bytes", Data{'h', 'i'}},
                                          {"text", "hi"},
                                          {"list", PropertyArray{PropertyValue(1)}}});
    // A number 1 is not a Boolean, data is not a string.
    EXPECT_FALSE(defaults.object("one")->is<bool>());
    EXPECT_TRUE(defaults.object("flag")->is<bool>());

    EXPECT_TRUE(defaults.boolForKey("one"));
    EXPECT_FALSE(defaults.boolForKey("zero"));
    EXPECT_TRUE(defaults.boolForKey("real"));
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_TRUE(defaults.boolForKey("digits"));
    EXPECT_FALSE(defaults.boolForKey("word"));
    EXPECT_FALSE(defaults.boolForKey("bytes"));
    EXPECT_FALSE(defaults.boolForKey("missing"));

    EXPECT_EQ(defaults.integerForKey("real"), -2);
    EXPECT_EQ(defaults.integerForKey("flag"), 1);
    EXPECT_EQ(defaults.integerForKey("digits"), 12);
    EXPECT_EQ(defaults.integerForKey("bytes"), 0);
    EXPECT_EQ(defaults.doubleForKey("one"), 1.0);
    EXPECT_EQ(defaults.doubleForKey("missing"), 0.0);

    EXPECT_EQ(defaults.stringForKey("one"), "1");
    EXPECT_EQ(defaults.stringForKey("real"), "-2.75");
    EXPECT_EQ(defaults.stringForKey("bytes"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("text"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("bytes"), (Data{'h', 'i'}));
    EXPECT_EQ(defaults.arrayForKey("list"), (PropertyArray{PropertyValue(1)}));
    EXPECT_EQ(defaults.dictionaryForKey("list"), std::nullopt);
}

TEST(DefaultsDatabase, AValueAPropertyListCannotHoldIsRefusedAndNotStored) {
    MemoryDefaultsDatabase defaults("d");
    EXPECT_THROW(defaults.set(std::string("a\0b", 3), "key"), PropertyListError);
    EXPECT_THROW(defaults.set(1, std::string_view("k\0", 2)), PropertyListError);
    EXPECT_EQ(defaults.persistentDomain("d"), PropertyDictionary{});
}
