#include "NamePool.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

TEST(NamePool, WritesNamesInTheActiveCodePage)
{
    // 总公司 in GBK, 總公司 (turned traditional) in Big5, unchanged UTF-8 otherwise.
    EXPECT_EQ(NamePool(CodePage::Gbk).group(1), "\xd7\xdc\xb9\xab\xcb\xbe");
    EXPECT_EQ(NamePool(CodePage::Big5).group(1), "\xc1\x60\xa4\xbd\xa5\x71");
    EXPECT_EQ(NamePool(CodePage::Utf8).group(1), "总公司");
    EXPECT_EQ(NamePool(CodePage::Utf8).group(8), "华东分公司 8");
}

} // namespace
} // namespace qar
