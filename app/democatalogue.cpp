// Written by tools/make-demos from resources/demos/src; edit those instead.

#include "app/democatalogue.h"

const std::vector<DemoSong>& demoCatalogue()
{
    static const std::vector<DemoSong> songs = {
        {"twinkle_twinkle.mid", "Traditional - Twinkle, Twinkle, Little Star", 0, 1},
        {"mary_had_a_little_lamb.mid", "Traditional - Mary Had a Little Lamb", 0, 2},
        {"frere_jacques.mid", "Traditional - Frère Jacques", 0, 3},
        {"london_bridge.mid", "Traditional - London Bridge", 0, 2},
        {"old_macdonald.mid", "Traditional - Old MacDonald Had a Farm", 0, 4},
        {"au_clair_de_la_lune.mid", "Traditional - Au clair de la lune", 1, 1},
        {"ode_to_joy.mid", "Beethoven - Ode to Joy", 1, 2},
        {"minuet_in_g.mid", "Bach - Minuet in G, BWV Anh. 114", 1, 2},
        {"yankee_doodle.mid", "Traditional - Yankee Doodle", 1, 3},
        {"brahms_lullaby.mid", "Brahms - Lullaby, Op. 49 No. 4", 1, 2},
        {"auld_lang_syne.mid", "Traditional - Auld Lang Syne", 1, 2},
        {"amazing_grace.mid", "Traditional - Amazing Grace", 1, 1},
        {"jingle_bells.mid", "Pierpont - Jingle Bells", 1, 4},
        {"silent_night.mid", "Gruber - Silent Night", 1, 3},
        {"greensleeves.mid", "Traditional - Greensleeves", 2, 2},
        {"scarborough_fair.mid", "Traditional - Scarborough Fair", 2, 1},
        {"korobeiniki.mid", "Traditional - Korobeiniki", 2, 7},
        {"going_home.mid", "Dvořák - Largo, New World Symphony", 2, 3},
        {"joy_to_the_world.mid", "Mason - Joy to the World", 2, 4},
        {"drunken_sailor.mid", "Traditional - Drunken Sailor", 2, 2},
        {"can_can.mid", "Offenbach - Can-Can", 2, 4},
        {"gymnopedie.mid", "Satie - Gymnopédie No. 1", 2, 3},
        {"blue_danube.mid", "Strauss II - The Blue Danube", 2, 3},
        {"jesu_joy.mid", "Bach - Jesu, Joy of Man's Desiring", 2, 2},
        {"canon_in_d.mid", "Pachelbel - Canon in D", 2, 4},
        {"symphony_40.mid", "Mozart - Symphony No. 40", 2, 5},
        {"saints.mid", "Traditional - When the Saints Go Marching In", 2, 9},
        {"camptown_races.mid", "Foster - Camptown Races", 2, 5},
        {"symphony_5.mid", "Beethoven - Symphony No. 5", 2, 8},
        {"mountain_king.mid", "Grieg - In the Hall of the Mountain King", 2, 9},
        {"fur_elise.mid", "Beethoven - Für Elise", 3, 2},
        {"prelude_in_c.mid", "Bach - Prelude in C, BWV 846", 3, 2},
        {"sonata_in_c.mid", "Mozart - Sonata in C, K. 545", 3, 2},
        {"entertainer.mid", "Joplin - The Entertainer", 3, 2},
        {"rondo_alla_turca.mid", "Mozart - Rondo alla Turca", 3, 2},
        {"toccata.mid", "Bach - Toccata in D minor, BWV 565", 3, 1},
        {"bumblebee.mid", "Rimsky-Korsakov - Flight of the Bumblebee", 3, 2},
    };
    return songs;
}
