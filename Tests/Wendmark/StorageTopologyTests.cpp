#include <gtest/gtest.h>

#include <map>

#include "Wendmark/StorageTopology.h"

using wendmark::StorageTopology;
using Status = StorageTopology::Status;

namespace {

// A registry graph as the resolver sees it, counting how often each node is asked for.
struct Graph {
    std::map<std::uint64_t, StorageTopology::Node> nodes;
    std::map<std::uint64_t, int> lookups;

    Graph& media(std::uint64_t id, std::vector<std::uint64_t> parents, bool whole = false) {
        nodes[id] = {id, std::move(parents), false, whole, false, true};
        return *this;
    }
    Graph& driver(std::uint64_t id, bool composite = false) {
        nodes[id] = {id, {}, true, false, composite, true};
        return *this;
    }
    Graph& entry(std::uint64_t id, std::vector<std::uint64_t> parents) { return media(id, std::move(parents)); }
    Graph& root(std::uint64_t id) { return entry(id, {}); }

    StorageTopology resolve(std::uint64_t start) {
        return StorageTopology::resolve(start, [this](std::uint64_t id) -> std::optional<StorageTopology::Node> {
            ++lookups[id];
            auto found = nodes.find(id);
            if (found == nodes.end()) return std::nullopt;
            return found->second;
        });
    }
};

StorageTopology verified(std::uint64_t driver, std::uint64_t media) { return {Status::verified, driver, media}; }
const StorageTopology unresolved{Status::unresolved, std::nullopt, std::nullopt};
const StorageTopology ambiguous{Status::ambiguous, std::nullopt, std::nullopt};
const StorageTopology incomplete{Status::incomplete, std::nullopt, std::nullopt};
const StorageTopology unsupported{Status::unsupported, std::nullopt, std::nullopt};

}  // namespace

TEST(StorageTopology, oneDriverAboveAWholeMediumIsVerified) {
    // partition -> partition -> scheme -> whole medium -> driver
    Graph graph;
    graph.media(10, {11}).media(11, {12}).entry(12, {13}).media(13, {14}, true).driver(14);
    EXPECT_EQ(graph.resolve(10), verified(14, 13));
    // Resolved from the whole medium itself, it is its own physical medium.
    EXPECT_EQ(graph.resolve(13), verified(14, 13));

    // Two paths meeting at one ancestor expand that ancestor once and still find one driver.
    Graph diamond;
    diamond.media(1, {2, 3}).entry(2, {4}).entry(3, {4}).media(4, {5}, true).driver(5);
    EXPECT_EQ(diamond.resolve(1), verified(5, 4));
    EXPECT_EQ(diamond.lookups[4], 1);
    EXPECT_EQ(diamond.lookups[5], 1);
}

TEST(StorageTopology, noDriverOrARootOnSomePathIsUnresolved) {
    Graph graph;
    graph.media(1, {});
    EXPECT_EQ(graph.resolve(1), unresolved);

    // One path reaches the driver, the other the registry root.
    graph.media(2, {3, 4}, true).driver(3).root(4);
    EXPECT_EQ(graph.resolve(2), unresolved);

    // Only roots above.
    graph.media(5, {6}).entry(6, {4});
    EXPECT_EQ(graph.resolve(5), unresolved);
}

TEST(StorageTopology, severalDriversOrMediaAreAmbiguous) {
    Graph twoDrivers;
    twoDrivers.media(1, {2, 3}, true).driver(2).driver(3);
    EXPECT_EQ(twoDrivers.resolve(1), ambiguous);

    // Two whole media found below one driver.
    Graph twoMedia;
    twoMedia.media(1, {2, 3}).media(2, {4}, true).media(3, {4}, true).driver(4);
    EXPECT_EQ(twoMedia.resolve(1), ambiguous);

    // The same driver reached twice through the same medium is still one.
    Graph once;
    once.media(1, {2, 3}).entry(2, {4}).entry(3, {4}).media(4, {5, 5}, true).driver(5);
    EXPECT_EQ(once.resolve(1), verified(5, 4));
}

TEST(StorageTopology, compositeLayersAndDriversAbovePartitionsAreUnsupported) {
    Graph graph;
    // A composite start node, even with a driver above it.
    graph.nodes[1] = {1, {2}, false, true, true, true};
    graph.driver(2);
    EXPECT_EQ(graph.resolve(1), unsupported);

    // A partition directly below a driver.
    graph.media(3, {2}, false);
    EXPECT_EQ(graph.resolve(3), unsupported);

    // A whole medium below a composite driver.
    graph.media(4, {5}, true).driver(5, true);
    EXPECT_EQ(graph.resolve(4), unsupported);

    // A composite layer higher up (a member's medium sitting on a RAID set).
    graph.media(6, {7}).nodes[7] = {7, {2}, false, false, true, true};
    EXPECT_EQ(graph.resolve(6), unsupported);
}

TEST(StorageTopology, missingCyclicOrTooLargeGraphsAreIncomplete) {
    Graph graph;
    EXPECT_EQ(graph.resolve(99), incomplete);  // unknown start

    // A lookup that answers with a node of another id.
    auto wrong = StorageTopology::resolve(
        1, [](std::uint64_t) { return std::optional(StorageTopology::Node{2, {}, false, true, false, true}); });
    EXPECT_EQ(wrong, incomplete);

    // An empty lookup knows nothing.
    EXPECT_EQ(StorageTopology::resolve(1, StorageTopology::Lookup{}), incomplete);

    // A parent the lookup does not know, beside a good path.
    graph.media(1, {2, 3}, true).driver(2);
    EXPECT_EQ(graph.resolve(1), incomplete);

    // A cycle among parents.
    Graph cycle;
    cycle.media(1, {2}).entry(2, {3}).entry(3, {2});
    EXPECT_EQ(cycle.resolve(1), incomplete);

    // Parents that could not all be read (an iterator that turned invalid).
    Graph partial;
    partial.media(1, {2}).media(2, {3}, true).driver(3);
    partial.nodes[1].parentsComplete = false;
    EXPECT_EQ(partial.resolve(1), incomplete);
    partial.nodes[1].parentsComplete = true;
    partial.nodes[2].parentsComplete = false;
    EXPECT_EQ(partial.resolve(1), incomplete);
}

TEST(StorageTopology, depthAndNodeLimits) {
    // 31 plain entries above the start, then the whole medium at depth 31 with its driver: fine.
    auto chain = [](int plainLevels) {
        Graph graph;
        std::uint64_t id = 1;
        graph.media(id, {id + 1});
        for (int level = 0; level < plainLevels; ++level, ++id) graph.entry(id + 1, {id + 2});
        graph.media(id + 1, {id + 2}, true).driver(id + 2);
        return graph;
    };
    auto ok = chain(30);  // whole medium at depth 31
    EXPECT_EQ(ok.resolve(1).status, Status::verified);
    auto deep = chain(31);  // whole medium at depth 32
    EXPECT_EQ(deep.resolve(1), incomplete);

    // The start, a fan of entries, and the whole medium and driver above them: 128 distinct nodes
    // are fine, 129 are too many.
    auto wide = [](std::uint64_t fanSize) {
        Graph graph;
        std::vector<std::uint64_t> fan;
        for (std::uint64_t id = 2; id < 2 + fanSize; ++id) {
            fan.push_back(id);
            graph.entry(id, {500});
        }
        graph.media(1, fan).media(500, {501}, true).driver(501);
        return graph;
    };
    EXPECT_EQ(wide(125).resolve(1), verified(501, 500));
    auto tooWide = wide(126);
    EXPECT_EQ(tooWide.resolve(1), incomplete);
    EXPECT_EQ(tooWide.lookups[127], 0);  // the memo was full before its turn
}

TEST(StorageTopology, verdictPrecedence) {
    // Unsupported wins over incomplete.
    Graph graph;
    graph.media(1, {2, 3}).driver(2).entry(3, {99});
    EXPECT_EQ(graph.resolve(1), unsupported);

    // Incomplete wins over several drivers.
    Graph several;
    several.media(1, {2, 3, 4}, true).driver(2).driver(3);
    EXPECT_EQ(several.resolve(1), incomplete);

    // The status is written as its case name.
    EXPECT_EQ(platform::json::rawValue(Status::unsupported), "unsupported");
    EXPECT_EQ(platform::json::fromRawValue<Status>("verified"), Status::verified);
}
