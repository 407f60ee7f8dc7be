#include "song/song.h"

Song& theSong()
{
    static Song song;
    return song;
}
