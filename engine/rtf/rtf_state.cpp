#include "rtf/rtf_state.h"

namespace tolvarin {

GroupChange applyToGroup(RtfGroupState& state, RtfWord word, bool starred, const RtfToken& t) {
    using D = RtfDestination;
    const D dest = state.destination;
    const int param = t.parameter;
    const bool on = !t.hasParameter || param != 0;
    GroupChange change = GroupChange::None;
    switch (word) {
    case RtfWord::Unknown:
        // An ignorable destination nobody here knows: off the body; its text is a
        // stream of its own (some producers keep headers and footers in such groups).
        if (starred) {
            state.offBody = true;
            if (dest == D::Text) change = GroupChange::OwnStream;
            else if (dest == D::FontTable) state.destination = D::NonText;
        }
        break;
    case RtfWord::UnicodeSkip:
        state.unicodeSkip = param < 0 ? 0 : param > 16 ? 16 : param;
        break;
    case RtfWord::Plain:
        state.font = -1;
        state.format = Format{};
        state.complex = ComplexFormat{};
        return GroupChange::Format;
    // What a destination makes of the group depends on what the group held: the font
    // table's entries are no place for a stream, and nothing inside data is text.
    case RtfWord::FontTable:
        if (dest == D::Text || dest == D::Object) state.destination = D::FontTable;
        else if (dest == D::Container) state.destination = D::NonText;
        break;
    case RtfWord::Data:
        state.destination = D::NonText;
        break;
    case RtfWord::Container:
        state.offBody = true;
        if (dest == D::Text || dest == D::Object) state.destination = D::Container;
        else if (dest == D::FontTable) state.destination = D::NonText;
        break;
    case RtfWord::Object:
        if (dest == D::Text || dest == D::FontTable) state.destination = D::Object;
        break;
    case RtfWord::NewStream:
        state.offBody = true;
        if (dest == D::Text || dest == D::Container || dest == D::Object) {
            state.destination = D::Text;
            change = GroupChange::OwnStream;
        } else if (dest == D::FontTable) {
            state.destination = D::NonText;
        }
        break;
    case RtfWord::SameStream:
        if (dest == D::Object || dest == D::FontTable) state.destination = D::Text;
        break;
    case RtfWord::ObjectResult:
        if (dest == D::Object) state.destination = D::Text;
        break;
    case RtfWord::Bold:
        state.format.bold = on;
        return GroupChange::Format;
    case RtfWord::Italic:
        state.format.italic = on;
        return GroupChange::Format;
    case RtfWord::UnderlineOn:
        state.format.underline = on;
        return GroupChange::Format;
    case RtfWord::UnderlineOff:
        state.format.underline = false;
        return GroupChange::Format;
    case RtfWord::FontSize:
        state.format.size = t.hasParameter && param > 0 ? param : Format{}.size;
        return GroupChange::Format;
    case RtfWord::ComplexBold:
        state.complex.bold = on;
        return GroupChange::Format;
    case RtfWord::ComplexItalic:
        state.complex.italic = on;
        return GroupChange::Format;
    case RtfWord::ComplexSize:
        state.complex.size = t.hasParameter && param > 0 ? param : 0;
        return GroupChange::Format;
    default:
        break;
    }
    return change;
}

}  // namespace tolvarin
