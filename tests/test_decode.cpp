// The HLP decoder's field tables against the records they describe.
#include <set>

#include "decode.h"
#include "fixture.h"

using haltest::HalTest;

TEST(Decoder, EveryCommandIsPairedWithRecordsWhoseFieldsLieInsideThemInOrder)
{
    std::set<uint32_t> commands;
    for (const halsim::Layout &l : halsim::layouts()) {
        SCOPED_TRACE(testing::Message() << std::hex << "0x" << l.cmd);
        ASSERT_NE(l.name, nullptr) << "a code without its records in the command table";
        EXPECT_TRUE(commands.insert(l.cmd).second) << "one layout per command";
        EXPECT_GT(l.size, 0U);
        uint32_t end = 0;
        for (const halsim::Field &f : l.fields) {
            EXPECT_GE(f.offset, end) << f.name;
            end = f.offset + f.size;
        }
        EXPECT_LE(end, l.size);
    }
}

TEST_F(HalTest, DecodedFlowShowsItsNonZeroFieldsByName)
{
    halsim::HlpCall call;
    call.cmd = 0x20030001;
    call.req = {0x64, 0, 0, 0};
    call.reqLen = 4;
    EXPECT_EQ(halsim::decode(call), "remove flow: value=100\n");
    call.req.push_back(0);
    EXPECT_NE(halsim::decode(call).find("(5 bytes)"), std::string::npos) << "a wrong length is dumped";
}
