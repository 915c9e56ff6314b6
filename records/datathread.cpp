#include "records/datathread.h"

#include "records/temperaturechartdata.h"

dataThread::dataThread(TemperatureChartData* store)
    : QThread(nullptr)
    , m_store(store)
{
}

void dataThread::run()
{
    m_store->runQueryPass();
}
