// The models, the unit's records and events compared, and the write faults.
#include "unit_types.h"

namespace qx4 {

QByteArray modelLineFor(Model model)
{
    switch (model) {
    case Model::Qx4_100: return QByteArrayLiteral("Portavel_100_Qx4");
    case Model::Qx4_200: return QByteArrayLiteral("Portavel_200_Qx4");
    case Model::Qx4_500: return QByteArrayLiteral("Portavel_500_Qx4");
    case Model::Qx4_1000: return QByteArrayLiteral("Portavel_1000_Qx4");
    case Model::Unknown: break;
    }
    return QByteArray();
}

int memoryLimitFor(Model model)
{
    switch (model) {
    case Model::Qx4_100: return 0x1D00;
    case Model::Qx4_200: return 0x2A00;
    case Model::Qx4_500: return 0x5100;
    case Model::Qx4_1000: return 0x9000;
    case Model::Unknown: break;
    }
    return 0;
}

bool modelFromName(const QByteArray &name, Model *model)
{
    if (name == "100") *model = Model::Qx4_100;
    else if (name == "200") *model = Model::Qx4_200;
    else if (name == "500") *model = Model::Qx4_500;
    else if (name == "1000") *model = Model::Qx4_1000;
    else return false;
    return true;
}

bool DirectoryRecord::operator==(const DirectoryRecord &o) const
{
    return block == o.block && room == o.room && code1 == o.code1 && code2 == o.code2 && spare == o.spare
        && phone == o.phone && name == o.name;
}

bool UnitEvent::operator==(const UnitEvent &o) const
{
    return origin == o.origin && room == o.room && button == o.button && when == o.when && relay == o.relay
        && setBy == o.setBy && client == o.client;
}

bool WriteFault::take(int block)
{
    if (count == 0)
        return false;
    if (!blocks.isEmpty() && !blocks.contains(block))
        return false;
    if (count > 0)
        --count;
    return true;
}

} // namespace qx4
