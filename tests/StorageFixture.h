#pragma once

#include "database/RRegionCatalogue.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"

#include <QCoreApplication>

// The writer and catalogue that tests and benches hand the objects they
// exercise, as the station hands its own; one for the process, like its
// connection.
namespace StorageFixture {

inline RStorageWriter& Writer()
{
    static RStorageWriter* s_pWriter = [] {
        auto* pWriter = new RStorageWriter;
        // Its statements go before Qt SQL's statics do.
        qAddPostRoutine([] { Writer().ReleaseStatements(); });
        return pWriter;
    }();
    return *s_pWriter;
}

inline RRegionCatalogue& Catalogue()
{
    static RRegionCatalogue s_catalogue;
    return s_catalogue;
}

} // namespace StorageFixture
