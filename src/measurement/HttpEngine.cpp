#include "measurement/HttpEngine.h"

HttpEngine::~HttpEngine() = default;
