#include "core/Globals.h"

#include "core/TextCodec.h"

namespace quillet {

DeviceNameFields Globals::blankDeviceNames()
{
    DeviceNameFields names;
    names.fill(fixedField(QString()));
    return names;
}

}  // namespace quillet
