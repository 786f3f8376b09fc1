#pragma once
// The card message preset in the source box: one line of 485 GBK bytes, the same text as
// samples/sample.xml. Its link values carry escaped ampersands so that a first parse already
// shows entity references being decoded.
#include <string_view>

namespace quillon::app {

// <?xml version="1.0" encoding="utf-8"?><msg ... brief="我有一句话不知当讲不当讲" ...><item
// layout="0"><title size="305" color="#ff6644">早安</title></item><source .../></msg>
inline constexpr std::string_view kSampleText =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><msg serviceID=\"1\""
    " templateID=\"19\" action=\"plugin\""
    " a_actionData=\"quillon://card/open?src=sample&amp;ver=1&amp;id=20170107"
    "&amp;type=group&amp;from=message\""
    " i_actionData=\"quillon://card/open?src=sample&amp;ver=1&amp;id=20170107"
    "&amp;type=group&amp;from=message\""
    " brief=\"\xCE\xD2\xD3\xD0\xD2\xBB\xBE\xE4\xBB\xB0\xB2\xBB\xD6\xAA\xB5\xB1\xBD\xB2\xB2\xBB"
    "\xB5\xB1\xBD\xB2\" url=\"\" flag=\"0\" multiMsgFlag=\"0\"><item"
    " layout=\"0\"><title size=\"305\" color=\"#ff6644\">\xD4\xE7\xB0\xB2</title></item><source"
    " name=\"\" icon=\"\" action=\"\" appid=\"-1\"/></msg>";

}  // namespace quillon::app
