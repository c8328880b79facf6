#include "share/KeyMatch.h"

#include <cstdio>

#include "xtp/XTPResourceManager.h"

namespace name_share {

int IsOBJKeyEqual(const OBJKEY& key, const _VCI_CAN_OBJ& frame) {
    switch (key.icolInd) {
        case kKeyIdentifier:
            return (key.dwMask & frame.ID) == key.dwData ? 1 : 0;
        case kKeyRemote:
            return frame.RemoteFlag == key.dwData ? 1 : 0;
        case kKeyExtended:
            return frame.ExternFlag == key.dwData ? 1 : 0;
        case kKeyDataLength:
            return frame.DataLen == key.dwData ? 1 : 0;
        case kKeyDataBytes: {
            if ((frame.DataLen & 0x0Fu) != key.dwData) return 0;
            const int end = key.bEnd < 8 ? key.bEnd : 8;
            for (int i = key.bStart; i < end; ++i) {
                if (frame.Data[i] != key.bDataArr[i]) return 0;
            }
            return 1;
        }
        default:
            return 0;
    }
}

void KeyToText(const OBJKEY& key, std::string& text, std::uint32_t& caption, bool plain,
               bool negate) {
    char buf[64];
    text.clear();
    caption = 0;
    switch (key.icolInd) {
        case kKeyIdentifier:
            caption = kCaptionFrameId;
            if (key.dwMask == 0xFFFFFFFFu) {
                std::snprintf(buf, sizeof buf, plain ? "%X" : "0x%X", key.dwData);
                text = buf;
            } else {
                std::snprintf(buf, sizeof buf, negate ? ")&0x%X)!=0x%X" : ")&0x%X)==0x%X",
                              key.dwMask, key.dwData);
                text = "((" + XTPLoadString(kCaptionFrameId) + buf;
            }
            break;
        case kKeyRemote:
            caption = kCaptionFrameFormat;
            text = XTPLoadString(key.dwData == 0 ? kWordDataFrame : kWordRemoteFrame);
            break;
        case kKeyExtended:
            caption = kCaptionFrameType;
            text = XTPLoadString(key.dwData == 0 ? kWordStandardFrame : kWordExtendedFrame);
            break;
        case kKeyDataLength:
            caption = kCaptionDataLength;
            std::snprintf(buf, sizeof buf, plain ? "%X" : "0x%X", key.dwData);
            text = buf;
            break;
        case kKeyDataBytes: {
            caption = kCaptionDataHex;
            // At most eight groups: a stored length above 8 cannot name more bytes.
            const unsigned n = key.dwData < 8 ? key.dwData : 8;
            const unsigned end = key.bEnd < 8 ? key.bEnd : 8;
            const unsigned start = key.bStart < end ? key.bStart : end;
            for (unsigned i = 0; i < start; ++i) text += "** ";
            for (unsigned i = start; i < end; ++i) {
                std::snprintf(buf, sizeof buf, "%02X ", key.bDataArr[i]);
                text += buf;
            }
            for (unsigned i = end; i < n; ++i) text += "** ";
            break;
        }
        default:
            break;
    }
}

}  // namespace name_share
