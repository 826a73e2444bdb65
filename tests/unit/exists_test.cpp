#include "launch/directory_search.h"
#include "launch/exists.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <new>
#include <optional>

namespace quben::testing {
namespace {

using namespace file_attribute;

// A directory search that answers every pattern with the same listing.
class FakeSearch final : public DirectorySearch {
public:
    void ForEachMatch(std::wstring_view pattern, FunctionRef<bool(const DirectoryEntry&)> visit) override {
        patterns.emplace_back(pattern);
        if (failure)
            throw *failure;
        for (const DirectoryEntry& entry : listing) {
            ++visited;
            if (!visit(entry))
                return;
        }
    }

    std::vector<DirectoryEntry> listing;
    std::vector<std::wstring> patterns;
    std::optional<PlatformError> failure;
    int visited = 0;
};

TEST(Exists, EmptyNameIsFalseWithoutSearching) {
    FakeSearch search;
    search.listing = {{L"a.xls", kArchive}};
    EXPECT_FALSE(Exists(L"", search));
    EXPECT_TRUE(search.patterns.empty());
}

TEST(Exists, OrdinaryReadOnlyAndArchiveFilesCount) {
    for (std::uint32_t attributes : {0u, 0x80u /*normal*/, kReadOnly, kArchive, kReadOnly | kArchive}) {
        FakeSearch search;
        search.listing = {{L"mesures.xls", attributes}};
        EXPECT_TRUE(Exists(L"C:\\t\\mesures.xls", search)) << "attributes " << attributes;
        EXPECT_FALSE(Exists(L"\\\\?\\C:\\t\\mesures.xls.", search)) << "Windows reads another name";
    }
}

TEST(Exists, HiddenSystemFilesAndDirectoriesDoNotCount) {
    for (std::uint32_t attributes :
         {kHidden, kSystem, kDirectory, kHidden | kReadOnly, kSystem | kArchive, kDirectory | kReadOnly}) {
        FakeSearch search;
        search.listing = {{L"mesures.xls", attributes}};
        EXPECT_FALSE(Exists(L"C:\\t\\mesures.xls", search)) << "attributes " << attributes;
    }
}

TEST(Exists, KeepsSearchingPastExcludedEntriesAndStopsAtTheFirstOrdinaryFile) {
    FakeSearch search;
    search.listing = {
        {L"cache", kDirectory}, {L".verrou.xls", kHidden}, {L"budget.xls", kArchive}, {L"autre.xls", 0}};
    EXPECT_TRUE(Exists(L"C:\\t\\*.xls", search));
    EXPECT_EQ(search.visited, 3);
}

TEST(Exists, NothingMatchingIsFalse) {
    FakeSearch search;
    EXPECT_FALSE(Exists(L"C:\\t\\absent.xls", search));
}

TEST(Exists, OneSearchWithTheNameAsThePattern) {
    FakeSearch search;
    const std::wstring name = L"C:\\Été données\\é ?.xls";
    search.listing = {{L"é 1.xls", 0}};
    EXPECT_TRUE(Exists(name, search));
    EXPECT_EQ(search.patterns, std::vector<std::wstring>{name});
}

TEST(Exists, AnyFailureIsFalseAndRaisesNothing) {
    FakeSearch search;
    search.listing = {{L"a.xls", 0}};
    search.failure = PlatformError{static_cast<std::int32_t>(0x80070015)}; // device not ready
    EXPECT_FALSE(Exists(L"Q:\\a.xls", search));

    struct ThrowingSearch final : DirectorySearch {
        void ForEachMatch(std::wstring_view, FunctionRef<bool(const DirectoryEntry&)>) override {
            throw std::bad_alloc();
        }
    } throwing;
    EXPECT_FALSE(Exists(L"C:\\a.xls", throwing));
}

TEST(Exists, AFailureWhileSkippingExcludedEntriesIsFalse) {
    struct FailingAfterFirst final : DirectorySearch {
        void ForEachMatch(std::wstring_view, FunctionRef<bool(const DirectoryEntry&)> visit) override {
            if (visit({L"cache", kDirectory}))
                throw PlatformError{static_cast<std::int32_t>(0x80004005)};
        }
    } failing;
    EXPECT_FALSE(Exists(L"C:\\t\\*", failing));
}

} // namespace
} // namespace quben::testing
