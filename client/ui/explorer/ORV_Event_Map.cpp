#include "client/ui/explorer/ORV_Event_Map.h"

Row_Data_Ptr ORV_Event::row_data_of(const QVariantMap &map)
{
    return map.value(QLatin1String(row_data)).value<Row_Data_Ptr>();
}
