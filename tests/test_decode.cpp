// The HLP decoder's field tables against the records they describe.
#include <set>

#include "decode.h"
#include "fixture.h"

using haltest::HalTest;

TEST(Decoder, FieldsLieInsideTheirRecordInOrderWithoutOverlap)
{
    std::set<uint32_t> commands;
    for (const halsim::Layout *l = halsim::layoutsBegin(); l != halsim::layoutsEnd(); ++l) {
        SCOPED_TRACE(l->name);
        EXPECT_TRUE(commands.insert(l->cmd).second) << "one layout per command";
        uint32_t end = 0;
        for (size_t i = 0; i < l->count; ++i) {
            EXPECT_GE(l->fields[i].offset, end) << l->fields[i].name;
            end = l->fields[i].offset + l->fields[i].size;
        }
        EXPECT_LE(end, l->size);
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
