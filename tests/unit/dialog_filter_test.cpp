#include "launcher/design.h"
#include "launcher/dialog_filter.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

using namespace std::string_literals;

TEST(DialogFilter, TheWorkbookFilterBecomesOneEntry) {
    EXPECT_EQ(ToPlatformFilter(design::kDialogFilter), L"Fichiers Excel (*.xls)\0*.xls\0\0"s);
}

TEST(DialogFilter, SeveralEntriesKeepTheirOrder) {
    EXPECT_EQ(ToPlatformFilter(L"Classeurs|*.xls;*.xlsx|Tous|*.*"),
              L"Classeurs\0*.xls;*.xlsx\0Tous\0*.*\0\0"s);
}

TEST(DialogFilter, ATrailingSeparatorAddsNoEmptyEntry) {
    EXPECT_EQ(ToPlatformFilter(L"Fichiers Excel (*.xls)|*.xls|"), L"Fichiers Excel (*.xls)\0*.xls\0\0"s);
}

TEST(DialogFilter, AccentsAndBlanksArePassedThrough) {
    EXPECT_EQ(ToPlatformFilter(L"Données é |*.xls"), L"Données é \0*.xls\0\0"s);
}

} // namespace
} // namespace quben::testing
