#pragma once

#include "jobs/jobs.h"
#include "album/album_tree.h"
