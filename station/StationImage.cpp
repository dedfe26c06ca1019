#include "StationImage.h"

#include "calibration/TankTable.h"
#include "calibration/TankTableTransfer.h"

TStationImage TStationImage::Of(const QByteArray &ConfigImage, const TTankTables &Tables)
{
    TStationImage image;
    image.Config = ConfigImage;
    for (int i = 0; i < TTankTables::Count; ++i) {
        if (Tables[i].Loaded)
            image.Tables.insert(Tables[i].TankNo, TankTableFile::BlockBytes(Tables[i]));
    }
    return image;
}
