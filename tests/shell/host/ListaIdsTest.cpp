#include "shell/host/ListaIds.h"

#include <gtest/gtest.h>

using host::condicionIds;
using host::partesIds;

// The condition names exactly the Ids given, whatever their order and repeats: a range
// never reaches an Id between two runs.
TEST(ListaIds, ConditionsCoverTheIdsGivenAndNothingBetween) {
    EXPECT_EQ(condicionIds(u"Id", {}), QString());
    EXPECT_EQ(condicionIds(u"Id", {7}), QStringLiteral("(Id IN (7))"));
    EXPECT_EQ(condicionIds(u"p.Id", {9, 5, 6, 7, 8, 12, 5, 15, 16}),
              QStringLiteral("(p.Id BETWEEN 5 AND 9 OR p.Id BETWEEN 15 AND 16 OR p.Id IN (12))"));
}

// Parts hold whole runs, at most tramos runs or lone Ids each, and together every Id once.
TEST(ListaIds, PartsKeepRunsWholeAndBoundTheirLength) {
    EXPECT_TRUE(partesIds({}, 3).empty());
    const auto partes = partesIds({1, 2, 3, 10, 20, 21, 30, 40, 3}, 2);
    ASSERT_EQ(partes.size(), 3u);
    EXPECT_EQ(partes[0], (std::vector<qint64>{1, 2, 3, 10}));
    EXPECT_EQ(partes[1], (std::vector<qint64>{20, 21, 30}));
    EXPECT_EQ(partes[2], (std::vector<qint64>{40}));
    EXPECT_EQ(partesIds({5, 6, 7, 8}, 1).size(), 1u);
}
