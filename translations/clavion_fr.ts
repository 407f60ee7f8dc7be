<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>DeviceRecords</name>
    <message>
        <source>Default input client</source>
        <translation>Client d’entrée par défaut</translation>
    </message>
    <message>
        <source>Default input port</source>
        <translation>Port d’entrée par défaut</translation>
    </message>
    <message>
        <source>Default output client</source>
        <translation>Client de sortie par défaut</translation>
    </message>
    <message>
        <source>Default output port</source>
        <translation>Port de sortie par défaut</translation>
    </message>
    <message>
        <source>PC keyboard</source>
        <translation>Clavier de l’ordinateur</translation>
    </message>
    <message>
        <source>subsets</source>
        <translation>sous-ensembles</translation>
    </message>
</context>
<context>
    <name>Diagram</name>
    <message>
        <source>Unset Keyboard for track #%1</source>
        <translation>Ne plus jouer la piste n°&#xa0;%1 au clavier</translation>
    </message>
    <message>
        <source>Set Keyboard for track #%1</source>
        <translation>Jouer la piste n°&#xa0;%1 au clavier</translation>
    </message>
    <message>
        <source>Unmute free track #%1</source>
        <translation>Rétablir le son de la piste libre n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Mute free track #%1</source>
        <translation>Couper le son de la piste libre n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Cancel solo on free track #%1</source>
        <translation>Annuler le solo de la piste libre n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Apply solo on free track #%1</source>
        <translation>Mettre en solo la piste libre n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Configure free track #%1</source>
        <translation>Configurer la piste libre n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Unmute track #%1</source>
        <translation>Rétablir le son de la piste n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Mute track #%1</source>
        <translation>Couper le son de la piste n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Cancel solo on track #%1</source>
        <translation>Annuler le solo de la piste n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Apply solo on track #%1</source>
        <translation>Mettre en solo la piste n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Configure bound track #%1</source>
        <translation>Configurer la piste liée n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Flip keyboard status for selected tracks</source>
        <translation>Inverser le jeu au clavier des pistes sélectionnées</translation>
    </message>
    <message>
        <source>Flip muted status on selected tracks</source>
        <translation>Inverser la coupure du son des pistes sélectionnées</translation>
    </message>
    <message>
        <source>Configure selected tracks</source>
        <translation>Configurer les pistes sélectionnées</translation>
    </message>
    <message>
        <source>Set loop start here</source>
        <translation>Début de la boucle ici</translation>
    </message>
    <message>
        <source>Set loop end here</source>
        <translation>Fin de la boucle ici</translation>
    </message>
    <message>
        <source>Clear loop</source>
        <translation>Effacer la boucle</translation>
    </message>
</context>
<context>
    <name>DisplayTab</name>
    <message>
        <source>&amp;Notify user cancel</source>
        <translation>&amp;Signaler les commandes annulées</translation>
    </message>
    <message>
        <source>Check to display a notification message each time you cancel a command.</source>
        <translation>Cocher pour afficher un message chaque fois que vous annulez une commande.</translation>
    </message>
    <message>
        <source>&amp;Keep history of launched tools/soft synths</source>
        <translation>&amp;Historique des outils et synthés lancés</translation>
    </message>
    <message>
        <source>Check to keep a list of soft synth commands previously executed from %1.</source>
        <translation>Cocher pour garder la liste des commandes de synthés logiciels déjà lancées depuis %1.</translation>
    </message>
    <message>
        <source>&amp;Keep history of textual searches executed in Lyrics pane</source>
        <translation>Historique des recherches dans les &amp;paroles</translation>
    </message>
    <message>
        <source>Check to keep a list of text strings previously searched for in the Lyrics pane.</source>
        <translation>Cocher pour garder la liste des textes déjà recherchés dans le panneau des paroles.</translation>
    </message>
    <message>
        <source>&amp;Keep history of textual searches executed in Doc pane</source>
        <translation>Historique des recherches dans le &amp;document</translation>
    </message>
    <message>
        <source>Check to keep a list of text strings previously searched for in the Doc pane.</source>
        <translation>Cocher pour garder la liste des textes déjà recherchés dans la fenêtre de document.</translation>
    </message>
    <message>
        <source>Scrollbar above &amp;diagram</source>
        <translation>&amp;Barre de défilement au-dessus des notes</translation>
    </message>
    <message>
        <source>Check to display the song scroller above the diagram.</source>
        <translation>Cocher pour placer la barre de défilement du morceau au-dessus des notes.</translation>
    </message>
    <message>
        <source>Da&amp;rk interface style</source>
        <translation>Style d’interface s&amp;ombre</translation>
    </message>
    <message>
        <source>Check to display a blackish program interface.</source>
        <translation>Cocher pour une interface aux tons sombres.</translation>
    </message>
    <message>
        <source>Show track c&amp;ontrols</source>
        <translation>Afficher les &amp;commandes des pistes</translation>
    </message>
    <message>
        <source>Check to permanently display track controls in addition to diagram&apos;s context menu.</source>
        <translation>Cocher pour afficher en permanence les commandes des pistes, en plus du menu contextuel des notes.</translation>
    </message>
    <message>
        <source>Select/deslelect track with one clic&amp;k</source>
        <translation>Sélectionner une piste d’un seul c&amp;lic</translation>
    </message>
    <message>
        <source>Choose your preferred track selection mode: if checked, toggle to change tracks selection state; if unchecked use Shift and Control modifier keys to select several tracks.</source>
        <translation>Choisissez votre façon de sélectionner les pistes&#xa0;: si coché, un clic sélectionne ou désélectionne une piste&#xa0;; sinon, utilisez Maj et Ctrl pour en sélectionner plusieurs.</translation>
    </message>
    <message>
        <source>Show &amp;lyrics</source>
        <translation>Afficher les pa&amp;roles</translation>
    </message>
    <message>
        <source>Check to display a window showing lyrics if included in MIDI file. If the lyrics/music synchronization info (karaoke) info is stored in the MIDI file, words will be highlighted accordingly as song progresses.</source>
        <translation>Cocher pour afficher les paroles quand le fichier MIDI en contient. Si le fichier synchronise paroles et musique (karaoké), les mots s’éclairent au fil du morceau.</translation>
    </message>
    <message>
        <source>Paint bilinear &amp;keys for C major</source>
        <translation>Colorer les touches bilinéaires selon do ma&amp;jeur</translation>
    </message>
    <message>
        <source>Check to have bilinear uniform chromatic keyboard keys painted in black or white according to the C maj diatonic scale (same colors as on a traditional keyboard).</source>
        <translation>Cocher pour peindre les touches du clavier bilinéaire chromatique en noir ou en blanc selon la gamme de do majeur (comme sur un clavier traditionnel).</translation>
    </message>
    <message>
        <source>Display &amp;large keyboards</source>
        <translation>Afficher de &amp;grands claviers</translation>
    </message>
    <message>
        <source>Check to have large piano keyboard displayed. This is useful if you have a high definition monitor or want to check the keyboards from a distance.</source>
        <translation>Cocher pour afficher de grands claviers, utiles sur un écran haute définition ou pour les voir de loin.</translation>
    </message>
    <message>
        <source>Browse &gt;&gt;</source>
        <translation>Parcourir &gt;&gt;</translation>
    </message>
    <message>
        <source>Path of help &amp;index:</source>
        <translation>Chemin de l’&amp;index de l’aide&#xa0;:</translation>
    </message>
    <message>
        <source>Path of main HTML help file</source>
        <translation>Chemin du fichier HTML principal de l’aide</translation>
    </message>
    <message>
        <source>Browse for help index file.</source>
        <translation>Chercher le fichier d’index de l’aide.</translation>
    </message>
    <message>
        <source>Path of help &amp;browser:</source>
        <translation>Chemin du &amp;navigateur de l’aide&#xa0;:</translation>
    </message>
    <message>
        <source>Path of browser used to display HTML handbook</source>
        <translation>Chemin du navigateur qui affiche le manuel HTML</translation>
    </message>
    <message>
        <source>Browse for help browser application.</source>
        <translation>Chercher le navigateur de l’aide.</translation>
    </message>
    <message>
        <source>Higher values provide more space between keystrokes display.</source>
        <translation>Plus la valeur est haute, plus les frappes sont espacées à l’écran.</translation>
    </message>
    <message>
        <source>&amp;Zoom factor (default value, adjust in Quick settings):</source>
        <translation>&amp;Zoom (par défaut&#xa0;; se règle dans les réglages rapides)&#xa0;:</translation>
    </message>
    <message>
        <source>With higher values, the tempo changes more quickly when the mouse wheel is rotated.</source>
        <translation>Plus la valeur est haute, plus la molette change vite le tempo.</translation>
    </message>
    <message>
        <source>Default &amp;wheel factor for tempo boost:</source>
        <translation>Effet de la &amp;molette sur la vitesse, par défaut&#xa0;:</translation>
    </message>
    <message>
        <source>Size of cluster symbol (note or group of notes) in pixels</source>
        <translation>Taille en pixels du symbole d’une note ou d’un groupe de notes</translation>
    </message>
    <message>
        <source>Cluster &amp;symbol size:</source>
        <translation>&amp;Taille du symbole des notes&#xa0;:</translation>
    </message>
    <message>
        <source>Choose your color pattern.</source>
        <translation>Choisissez vos couleurs.</translation>
    </message>
    <message>
        <source>Back to defaults</source>
        <translation>Couleurs par défaut</translation>
    </message>
    <message>
        <source>&amp;Color pattern for diagram:</source>
        <translation>Co&amp;uleurs du défilement des notes&#xa0;:</translation>
    </message>
    <message>
        <source>Are you sure you want to reset all diagram colors to program defaults?</source>
        <translation>Voulez-vous vraiment remettre toutes les couleurs du défilement des notes à leurs valeurs par défaut&#xa0;?</translation>
    </message>
    <message>
        <source>Choose Ok or Apply in the configuration dialog box to overwrite the colors saved in your configuration file.</source>
        <translation>Choisissez OK ou Appliquer dans la fenêtre de configuration pour remplacer les couleurs enregistrées dans vos réglages.</translation>
    </message>
    <message>
        <source>Open a HTML file</source>
        <translation>Ouvrir un fichier HTML</translation>
    </message>
    <message>
        <source>HTML files</source>
        <translation>Fichiers HTML</translation>
    </message>
    <message>
        <source>Locate help browser</source>
        <translation>Trouver le navigateur de l’aide</translation>
    </message>
    <message>
        <source>Executable files</source>
        <translation>Fichiers exécutables</translation>
    </message>
    <message>
        <source>Interactive track</source>
        <translation>Piste interactive</translation>
    </message>
    <message>
        <source>Automatic track</source>
        <translation>Piste automatique</translation>
    </message>
    <message>
        <source>Free track</source>
        <translation>Piste libre</translation>
    </message>
    <message>
        <source>Played note</source>
        <translation>Note jouée</translation>
    </message>
    <message>
        <source>Unplayed cluster head</source>
        <translation>Début de groupe non joué</translation>
    </message>
    <message>
        <source>Unplayed cluster body</source>
        <translation>Suite de groupe non jouée</translation>
    </message>
    <message>
        <source>Instant position mark</source>
        <translation>Repère de position</translation>
    </message>
    <message>
        <source>Measure bars</source>
        <translation>Barres de mesure</translation>
    </message>
    <message>
        <source>Separator line</source>
        <translation>Ligne de séparation</translation>
    </message>
    <message>
        <source>Black piano key</source>
        <translation>Touche noire</translation>
    </message>
    <message>
        <source>White piano key</source>
        <translation>Touche blanche</translation>
    </message>
    <message>
        <source>Pressed impro key</source>
        <translation>Touche d’improvisation enfoncée</translation>
    </message>
    <message>
        <source>Low zone key hint</source>
        <translation>Touche à jouer, zone grave</translation>
    </message>
    <message>
        <source>Central zone key hint</source>
        <translation>Touche à jouer, zone centrale</translation>
    </message>
    <message>
        <source>High zone key hint</source>
        <translation>Touche à jouer, zone aiguë</translation>
    </message>
    <message>
        <source>Key hint for unsplit keyboard</source>
        <translation>Touche à jouer, clavier non partagé</translation>
    </message>
    <message>
        <source>Key challenge in Omnikey mode</source>
        <translation>Touche attendue, mode toutes notes</translation>
    </message>
    <message>
        <source>Wrong key hit notification</source>
        <translation>Signal de fausse note</translation>
    </message>
</context>
<context>
    <name>EventFiltersTab</name>
    <message>
        <source>Non note voice messages found in MIDI file:</source>
        <translation>Messages de canal autres que les notes, dans le fichier MIDI&#xa0;:</translation>
    </message>
    <message>
        <source>In interactive tracks, KEEP:</source>
        <translation>Dans les pistes interactives, GARDER&#xa0;:</translation>
    </message>
    <message>
        <source>In NON interactive tracks, KEEP:</source>
        <translation>Dans les pistes NON interactives, GARDER&#xa0;:</translation>
    </message>
    <message>
        <source>In free tracks, KEEP:</source>
        <translation>Dans les pistes libres, GARDER&#xa0;:</translation>
    </message>
    <message>
        <source>interactive tracks.</source>
        <translation>les pistes interactives.</translation>
    </message>
    <message>
        <source>NON interactive tracks.</source>
        <translation>les pistes NON interactives.</translation>
    </message>
    <message>
        <source>free tracks.</source>
        <translation>les pistes libres.</translation>
    </message>
    <message>
        <source>&amp;aftertouch</source>
        <translation>&amp;aftertouch</translation>
    </message>
    <message>
        <source>&amp;controller</source>
        <translation>&amp;contrôleur</translation>
    </message>
    <message>
        <source>&amp;program</source>
        <translation>&amp;programme</translation>
    </message>
    <message>
        <source>c&amp;hanpress</source>
        <translation>pre&amp;ssion de canal</translation>
    </message>
    <message>
        <source>p&amp;itchbend</source>
        <translation>p&amp;itch bend</translation>
    </message>
    <message>
        <source>Uncheck to skip polyphonic aftertouch information from MIDI file in %1</source>
        <translation>Décocher pour ignorer l’aftertouch polyphonique du fichier MIDI dans %1</translation>
    </message>
    <message>
        <source>Uncheck to skip controller events from MIDI file in %1</source>
        <translation>Décocher pour ignorer les contrôleurs du fichier MIDI dans %1</translation>
    </message>
    <message>
        <source>Uncheck to skip patch change events from MIDI file in %1</source>
        <translation>Décocher pour ignorer les changements de programme du fichier MIDI dans %1</translation>
    </message>
    <message>
        <source>Uncheck to skip overall pressure events from MIDI file in %1</source>
        <translation>Décocher pour ignorer la pression de canal du fichier MIDI dans %1</translation>
    </message>
    <message>
        <source>Uncheck to skip pitchbend events from MIDI file in %1</source>
        <translation>Décocher pour ignorer les pitch bends du fichier MIDI dans %1</translation>
    </message>
    <message>
        <source>Non voice messages found in MIDI file:</source>
        <translation>Autres messages du fichier MIDI&#xa0;:</translation>
    </message>
    <message>
        <source>Keep &amp;tempo</source>
        <translation>Garder le &amp;tempo</translation>
    </message>
    <message>
        <source>Uncheck to skip tempo messages from MIDI file.</source>
        <translation>Décocher pour ignorer les changements de tempo du fichier MIDI.</translation>
    </message>
</context>
<context>
    <name>HandSplit</name>
    <message>
        <source>Track %1</source>
        <translation>Piste %1</translation>
    </message>
    <message>
        <source>%1 (right hand)</source>
        <translation>%1 (main droite)</translation>
    </message>
    <message>
        <source>%1 (left hand)</source>
        <translation>%1 (main gauche)</translation>
    </message>
    <message>
        <source>Only a bound track can be split by hand.</source>
        <translation>Seule une piste liée peut être séparée par main.</translation>
    </message>
    <message>
        <source>Track #%1 plays drums on channel 10: drums have no hands to split.</source>
        <translation>La piste n°&#xa0;%1 joue de la batterie sur le canal 10&#xa0;: la batterie n&apos;a pas de mains à séparer.</translation>
    </message>
    <message>
        <source>Track #%1 has no notes to split.</source>
        <translation>La piste n°&#xa0;%1 n&apos;a pas de notes à séparer.</translation>
    </message>
</context>
<context>
    <name>HandSplitDialog</name>
    <message>
        <source>Split by hand</source>
        <translation>Séparer les mains</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>Each note goes to the hand that the music around it suggests</source>
        <translation>Chaque note va à la main que suggère la musique qui l&apos;entoure</translation>
    </message>
    <message>
        <source>At a key</source>
        <translation>À une touche</translation>
    </message>
    <message>
        <source>Every note from this key up goes to the right hand</source>
        <translation>Toute note à partir de cette touche va à la main droite</translation>
    </message>
    <message>
        <source>Right hand</source>
        <translation>Main droite</translation>
    </message>
    <message>
        <source>Left hand</source>
        <translation>Main gauche</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Right hand: %1 notes, left hand: %2 notes</source>
        <translation>Main droite&#xa0;: %1 notes, main gauche&#xa0;: %2 notes</translation>
    </message>
</context>
<context>
    <name>HistDialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>HistoryPlot</name>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>Median deviation</source>
        <translation>Écart médian</translation>
    </message>
    <message>
        <source>90th percentile</source>
        <translation>90e centile</translation>
    </message>
    <message>
        <source>Steadiness (90th percentile)</source>
        <translation>Régularité (90e centile)</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Practice history</source>
        <translation>Historique d’entraînement</translation>
    </message>
    <message>
        <source>Each session&apos;s deviation from the file, and how steady its tempo was</source>
        <translation>L’écart de chaque séance par rapport au fichier, et la régularité de son tempo</translation>
    </message>
    <message>
        <source>No practice of this song yet.</source>
        <translation>Pas encore d’entraînement sur ce morceau.</translation>
    </message>
    <message>
        <source>Time practised:</source>
        <translation>Temps d’entraînement&#xa0;:</translation>
    </message>
    <message>
        <source>Sessions:</source>
        <translation>Séances&#xa0;:</translation>
    </message>
    <message>
        <source>Mastery of each measure, from red to green:</source>
        <translation>Maîtrise de chaque mesure, du rouge au vert&#xa0;:</translation>
    </message>
    <message>
        <source>Practise the &amp;weakest</source>
        <translation>&amp;Travailler les plus faibles</translation>
    </message>
    <message>
        <source>&amp;Export CSV…</source>
        <translation>&amp;Exporter en CSV…</translation>
    </message>
    <message>
        <source>&amp;Forget this song&apos;s history</source>
        <translation>&amp;Oublier l’historique de ce morceau</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1&#xa0;h&#xa0;%2&#xa0;min</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1&#xa0;min&#xa0;%2&#xa0;s</translation>
    </message>
    <message>
        <source>Forget every practice session of %1? This cannot be undone.</source>
        <translation>Oublier toutes les séances d’entraînement de %1&#xa0;? C’est irréversible.</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>Impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Export the practice history as CSV</source>
        <translation>Exporter l’historique d’entraînement en CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
</context>
<context>
    <name>InOutTab</name>
    <message>
        <source>The device set up here is no longer on the sequencer. Nothing was applied.</source>
        <translation>Le périphérique réglé ici n’est plus sur le séquenceur. Rien n’a été appliqué.</translation>
    </message>
    <message>
        <source>To remove access to the disallowed input device, you’ll have to reload the current sequence.</source>
        <translation>Pour ne plus utiliser l’entrée interdite, rechargez le morceau.</translation>
    </message>
    <message>
        <source>To gain access to the newly allowed input device, you’ll have to reload the current sequence.</source>
        <translation>Pour utiliser l’entrée nouvellement autorisée, rechargez le morceau.</translation>
    </message>
    <message>
        <source>To remove access to the newly disallowed output device, you’ll have to reload the current sequence.</source>
        <translation>Pour ne plus utiliser la sortie nouvellement interdite, rechargez le morceau.</translation>
    </message>
    <message>
        <source>To gain access to the newly allowed output device, you’ll have to reload the current sequence.</source>
        <translation>Pour utiliser la sortie nouvellement autorisée, rechargez le morceau.</translation>
    </message>
</context>
<context>
    <name>InfoTab</name>
    <message>
        <source>Free drum track #%1</source>
        <translation>Piste libre de batterie n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Free track #%1</source>
        <translation>Piste libre n°&#xa0;%1</translation>
    </message>
    <message>
        <source>Channel pattern for free track #%1: 
</source>
        <translation>Canaux de la piste libre n°&#xa0;%1&#xa0;: 
</translation>
    </message>
    <message>
        <source>Drum track #%1 </source>
        <translation>Piste de batterie n°&#xa0;%1 </translation>
    </message>
    <message>
        <source>Bound track #%1 </source>
        <translation>Piste liée n°&#xa0;%1 </translation>
    </message>
    <message>
        <source>Channel pattern for bound track #%1: 
</source>
        <translation>Canaux de la piste liée n°&#xa0;%1&#xa0;: 
</translation>
    </message>
    <message>
        <source>	On channel %1 :</source>
        <translation>	Sur le canal %1&#xa0;:</translation>
    </message>
    <message>
        <source>%1 channel events found for note track %2 and channel %3</source>
        <translation>%1 événements de canal trouvés pour la piste de notes %2 et le canal %3</translation>
    </message>
</context>
<context>
    <name>JournalCommands</name>
    <message>
        <source>This song has no practice history yet: play it with a track from the keyboard first, and its weakest measures will be found.</source>
        <translation>Ce morceau n’a pas encore d’historique d’entraînement&#xa0;: jouez-en d’abord une piste au clavier, et ses mesures les plus faibles seront trouvées.</translation>
    </message>
    <message>
        <source>Every measure played so far is mastered: there is nothing weaker to practise. Play more of the song, or raise the mastery tempo in the Options.</source>
        <translation>Toutes les mesures jouées jusqu’ici sont maîtrisées&#xa0;: rien de plus faible à travailler. Jouez davantage le morceau, ou relevez le tempo de maîtrise dans les Options.</translation>
    </message>
    <message>
        <source>Looping measure %1</source>
        <translation>Boucle sur la mesure %1</translation>
    </message>
    <message>
        <source>Looping measures %1 to %2</source>
        <translation>Boucle sur les mesures %1 à %2</translation>
    </message>
    <message>
        <source>%1, the tempo stepping up from %2 %</source>
        <translation>%1, le tempo accélérant à partir de %2&#xa0;%</translation>
    </message>
</context>
<context>
    <name>Launcher</name>
    <message>
        <source>No synthesizer found: install fluidsynth and fluid-soundfont-gm, then use File&gt;&gt;Launch tools and software synths… (Ctrl+Y).</source>
        <translation>Aucun synthétiseur trouvé&#xa0;: installez fluidsynth et fluid-soundfont-gm, puis utilisez Fichier&gt;&gt;Lancer des outils et synthés logiciels… (Ctrl+Y).</translation>
    </message>
    <message>
        <source>No synthesizer found: File&gt;&gt;Launch tools and software synths… (Ctrl+Y) offers to start fluidsynth.</source>
        <translation>Aucun synthétiseur trouvé&#xa0;: Fichier&gt;&gt;Lancer des outils et synthés logiciels… (Ctrl+Y) propose de démarrer fluidsynth.</translation>
    </message>
    <message>
        <source>Launch tool/software synth</source>
        <translation>Lancer un outil ou un synthé logiciel</translation>
    </message>
    <message>
        <source>Enter or select command line:</source>
        <translation>Saisissez ou choisissez la ligne de commande&#xa0;:</translation>
    </message>
    <message>
        <source>Launch tool/software synth canceled</source>
        <translation>Lancement de l’outil ou du synthé logiciel annulé</translation>
    </message>
    <message>
        <source>Audio tool %1 failed to launch.</source>
        <translation>L’outil audio %1 n’a pas pu être lancé.</translation>
    </message>
    <message>
        <source>Tool started, no new output device was created by %1.</source>
        <translation>Outil démarré, mais %1 n’a créé aucune nouvelle sortie MIDI.</translation>
    </message>
    <message>
        <source>Audio tool %1 successfully launched.</source>
        <translation>L’outil audio %1 a bien été lancé.</translation>
    </message>
    <message>
        <source>Waiting for %1 to start…</source>
        <translation>Attente du démarrage de %1…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Playing to %1:%2 %3 (see Options&gt;&gt;Devices setup)</source>
        <translation>Lecture vers %1:%2 %3 (voir Options&gt;&gt;Périphériques)</translation>
    </message>
    <message>
        <source>No software synthesizer has been launched from this session of %1</source>
        <translation>Aucun synthétiseur logiciel n’a été lancé depuis cette session de %1</translation>
    </message>
    <message>
        <source>One software synthesizer has been launched from this session of %1:</source>
        <translation>Un synthétiseur logiciel a été lancé depuis cette session de %1&#xa0;:</translation>
    </message>
    <message>
        <source>%1 software synthesizers have been launched from this session of %2:</source>
        <translation>%1 synthétiseurs logiciels ont été lancés depuis cette session de %2&#xa0;:</translation>
    </message>
    <message>
        <source>No MIDI output port is currently both available and allowed in Devices setup</source>
        <translation>Aucun port de sortie MIDI n’est à la fois disponible et autorisé dans Périphériques</translation>
    </message>
    <message>
        <source>One MIDI output port is currently both available and allowed in Devices setup</source>
        <translation>Un port de sortie MIDI est à la fois disponible et autorisé dans Périphériques</translation>
    </message>
    <message>
        <source>%1 MIDI output ports are currently both available and allowed in Devices setup</source>
        <translation>%1 ports de sortie MIDI sont à la fois disponibles et autorisés dans Périphériques</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>MasteryMap</name>
    <message>
        <source>not played yet</source>
        <translation>pas encore jouée</translation>
    </message>
    <message>
        <source>learning</source>
        <translation>en cours d’apprentissage</translation>
    </message>
    <message>
        <source>steady, below the target tempo</source>
        <translation>sûre, sous le tempo visé</translation>
    </message>
    <message>
        <source>regressed</source>
        <translation>en recul</translation>
    </message>
    <message>
        <source>mastered</source>
        <translation>maîtrisée</translation>
    </message>
    <message>
        <source>Measure %1: %2</source>
        <translation>Mesure %1&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>Medit</name>
    <message>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <source>Cha&amp;nge font…</source>
        <translation>Changer la &amp;police…</translation>
    </message>
    <message>
        <source>&amp;Open text/HTML…</source>
        <translation>&amp;Ouvrir un texte ou du HTML…</translation>
    </message>
    <message>
        <source>Close file</source>
        <translation>Fermer le fichier</translation>
    </message>
    <message>
        <source>&amp;Save file</source>
        <translation>&amp;Enregistrer le fichier</translation>
    </message>
    <message>
        <source>Save &amp;As…</source>
        <translation>Enregistrer &amp;sous…</translation>
    </message>
    <message>
        <source>Find in pane</source>
        <translation>Rechercher dans le panneau</translation>
    </message>
    <message>
        <source>File error</source>
        <translation>Erreur de fichier</translation>
    </message>
    <message>
        <source>Font change canceled.</source>
        <translation>Changement de police annulé.</translation>
    </message>
    <message>
        <source>Open a text file to edit</source>
        <translation>Ouvrir un fichier texte à modifier</translation>
    </message>
    <message>
        <source>plain text files</source>
        <translation>fichiers texte</translation>
    </message>
    <message>
        <source>rich text files</source>
        <translation>fichiers de texte enrichi</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>Text file opening canceled.</source>
        <translation>Ouverture du fichier texte annulée.</translation>
    </message>
    <message>
        <source>Could not open %1 for reading: %2</source>
        <translation>Impossible d’ouvrir %1 en lecture&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not open %1 for writing.</source>
        <translation>Impossible d’ouvrir %1 en écriture.</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>Impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Save file as…</source>
        <translation>Enregistrer le fichier sous…</translation>
    </message>
    <message>
        <source>File save as canceled.</source>
        <translation>Enregistrement sous un autre nom annulé.</translation>
    </message>
    <message>
        <source>Save?</source>
        <translation>Enregistrer&#xa0;?</translation>
    </message>
    <message>
        <source>%1 has been modified.
Do you want to save the changes?</source>
        <translation>%1 a été modifié.
Voulez-vous enregistrer les modifications&#xa0;?</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Beginning of document reached.</source>
        <translation>Début du document atteint.</translation>
    </message>
    <message>
        <source>End of document reached.</source>
        <translation>Fin du document atteinte.</translation>
    </message>
    <message>
        <source>Continue from the end?</source>
        <translation>Continuer depuis la fin&#xa0;?</translation>
    </message>
    <message>
        <source>Continue from the beginning?</source>
        <translation>Continuer depuis le début&#xa0;?</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Sure ?</source>
        <translation>Confirmation</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Compte rendu</translation>
    </message>
</context>
<context>
    <name>MetronomeTab</name>
    <message>
        <source>The metronome uses the default output device defined in Default I/O tab.</source>
        <translation>Le métronome joue sur la sortie par défaut, choisie dans l’onglet E/S par défaut.</translation>
    </message>
    <message>
        <source>MIDI channel used for metronome clicks</source>
        <translation>Canal MIDI des clics du métronome</translation>
    </message>
    <message>
        <source>Metronome &amp;channel:</source>
        <translation>&amp;Canal du métronome&#xa0;:</translation>
    </message>
    <message>
        <source>Note number for measure marker clicks</source>
        <translation>Numéro de la note du premier temps de la mesure</translation>
    </message>
    <message>
        <source>&amp;Main click:</source>
        <translation>Clic de &amp;mesure&#xa0;:</translation>
    </message>
    <message>
        <source>Note number for beat marker clicks</source>
        <translation>Numéro de la note des autres temps</translation>
    </message>
    <message>
        <source>&amp;Other clicks:</source>
        <translation>&amp;Autres clics&#xa0;:</translation>
    </message>
    <message>
        <source>Velocity of metronome notes</source>
        <translation>Vélocité des notes du métronome</translation>
    </message>
    <message>
        <source>&amp;Volume:</source>
        <translation>&amp;Volume&#xa0;:</translation>
    </message>
    <message>
        <source>Tick when &amp;recording (default value, adjust in Quick settings)</source>
        <translation>Battre pendant l’&amp;enregistrement (par défaut&#xa0;; se règle dans les réglages rapides)</translation>
    </message>
    <message>
        <source>Default metronome behaviour while recording</source>
        <translation>Métronome pendant l’enregistrement, par défaut</translation>
    </message>
    <message>
        <source>Tick when &amp;playing (default value, adjust in Quick settings)</source>
        <translation>Battre pendant la &amp;lecture (par défaut&#xa0;; se règle dans les réglages rapides)</translation>
    </message>
    <message>
        <source>Default metronome behaviour while playing</source>
        <translation>Métronome pendant la lecture, par défaut</translation>
    </message>
</context>
<context>
    <name>MidiIOMapTab</name>
    <message>
        <source>Select the default input client/port (e.g. MIDI or PC keyboard) from which to get user interaction.</source>
        <translation>Choisissez le client/port d’entrée par défaut (clavier MIDI ou de l’ordinateur) sur lequel vous jouez.</translation>
    </message>
    <message>
        <source>Select an input client/port (e.g. MIDI keyboard) to set up.</source>
        <translation>Choisissez le client/port d’entrée (un clavier MIDI, par exemple) à régler.</translation>
    </message>
    <message>
        <source>Default &amp;input client/port</source>
        <translation>Client/port d’&amp;entrée par défaut</translation>
    </message>
    <message>
        <source>&amp;Input client/port</source>
        <translation>Client/port d’&amp;entrée</translation>
    </message>
    <message>
        <source>One key hit per cluster</source>
        <translation>Une frappe par groupe de notes</translation>
    </message>
    <message>
        <source>All cluster notes in any order</source>
        <translation>Toutes les notes du groupe, dans n’importe quel ordre</translation>
    </message>
    <message>
        <source>Select input required by default from the player in order to ring a note cluster.
This can be changed for each individual input MIDI device in the &quot;Devices setup&quot; tab of the Options dialog.</source>
        <translation>Choisissez ce que le joueur doit faire, par défaut, pour faire sonner un groupe de notes.
Cela se règle pour chaque entrée MIDI dans l’onglet «&#xa0;Périphériques&#xa0;» des Options.</translation>
    </message>
    <message>
        <source>Select action required from the player in order to play a note cluster from this instrument.</source>
        <translation>Choisissez ce que le joueur doit faire sur cet instrument pour jouer un groupe de notes.</translation>
    </message>
    <message>
        <source>Default MIDI KB inte&amp;raction mode:</source>
        <translation>&amp;Mode de jeu par défaut des claviers MIDI&#xa0;:</translation>
    </message>
    <message>
        <source>MIDI KB inte&amp;raction mode:</source>
        <translation>&amp;Mode de jeu du clavier MIDI&#xa0;:</translation>
    </message>
    <message>
        <source>Show PC keyboard input transcripted on a &amp;traditional keyboard</source>
        <translation>Montrer le jeu au clavier de l’ordinateur sur un clavier &amp;traditionnel</translation>
    </message>
    <message>
        <source>Real or virtual input will be shown on a traditional keyboard when the PC keyboard is used instead or a true MIDI instrument.</source>
        <translation>Ce qui est joué s’affiche sur un clavier traditionnel quand le clavier de l’ordinateur remplace un vrai instrument MIDI.</translation>
    </message>
    <message>
        <source>Show PC keyboard input transcripted on a bilinear uniform &amp;chromatic keyboard</source>
        <translation>Montrer le jeu au clavier de l’ordinateur sur un clavier &amp;bilinéaire chromatique</translation>
    </message>
    <message>
        <source>Real or virtual input will be shown on a bilinear uniform chromatic keyboard when the PC keyboard is used instead or a true MIDI instrument.</source>
        <translation>Ce qui est joué s’affiche sur un clavier bilinéaire chromatique quand le clavier de l’ordinateur remplace un vrai instrument MIDI.</translation>
    </message>
    <message>
        <source>Show this instrument as a &amp;traditional keyboard</source>
        <translation>Montrer cet instrument en clavier &amp;traditionnel</translation>
    </message>
    <message>
        <source>Real or virtual input from user will be shown on a traditional keyboard.</source>
        <translation>Ce que joue l’utilisateur s’affiche sur un clavier traditionnel.</translation>
    </message>
    <message>
        <source>Show this instrument as a bilinear uniform &amp;chromatic keyboard</source>
        <translation>Montrer cet instrument en clavier &amp;bilinéaire chromatique</translation>
    </message>
    <message>
        <source>Real or virtual input from user will be shown on a bilinear uniform chromatic keyboard.</source>
        <translation>Ce que joue l’utilisateur s’affiche sur un clavier bilinéaire chromatique.</translation>
    </message>
    <message>
        <source>I&amp;gnore any backend or firmware consideration of this device as a MIDI input</source>
        <translation>I&amp;gnorer ce périphérique comme entrée MIDI, quoi qu’en disent le pilote ou le micrologiciel</translation>
    </message>
    <message>
        <source>If checked, this input will not appear anywhere else in %1 interface. You might need to reload file or demo for free tracks to adapt.</source>
        <translation>Si coché, cette entrée n’apparaît plus nulle part dans %1. Rechargez le fichier ou la démo pour que les pistes libres suivent.</translation>
    </message>
    <message>
        <source>This instrument has the tem&amp;po leadership when option &quot;Follow tempo skews from user&quot; is set</source>
        <translation>Cet instrument &amp;dirige le tempo quand l’option «&#xa0;Suivre les écarts de tempo du joueur&#xa0;» est cochée</translation>
    </message>
    <message>
        <source>If this is checked, and option &quot;Follow tempo skews from user&quot; in Parameters tab is checked also, then the player of this instrument (on the specified kbzone if any)
will be the only one to dynamically change the tempo of all the tracks by playing slower or faster.
 One could see him or her as the director.</source>
        <translation>Si coché, et si l’option «&#xa0;Suivre les écarts de tempo du joueur&#xa0;» de l’onglet Paramètres l’est aussi, le joueur de cet instrument (dans la zone indiquée, s’il y en a une)
est le seul à changer le tempo de toutes les pistes en jouant plus lentement ou plus vite.
 C’est en quelque sorte le chef d’orchestre.</translation>
    </message>
    <message>
        <source>MIDI keyboard splitting</source>
        <translation>Partage du clavier MIDI</translation>
    </message>
    <message>
        <source>&amp;Split KB by default</source>
        <translation>&amp;Partager les claviers par défaut</translation>
    </message>
    <message>
        <source>If checked, interactive tracks will by default be triggered only by hitting the appropriate zone of the MIDI keyboards, allowing up to three players on one keyboard.
This can be changed for each input MIDI device through the &quot;Devices setup&quot; tab of the options dialog.</source>
        <translation>Si coché, chaque piste interactive ne se joue, par défaut, que dans sa zone des claviers MIDI&#xa0;: jusqu’à trois joueurs sur un clavier.
Cela se règle pour chaque entrée MIDI dans l’onglet «&#xa0;Périphériques&#xa0;» des options.</translation>
    </message>
    <message>
        <source>&amp;Split KB for this instrument</source>
        <translation>&amp;Partager le clavier de cet instrument</translation>
    </message>
    <message>
        <source>If checked, different interactive tracks can be triggered by hitting different zones of this MIDI keyboard, allowing up to three players on one keyboard.</source>
        <translation>Si coché, plusieurs pistes interactives se jouent dans des zones différentes de ce clavier MIDI&#xa0;: jusqu’à trois joueurs sur un clavier.</translation>
    </message>
    <message>
        <source>Lowest key for medium keyboard zone</source>
        <translation>Touche la plus grave de la zone centrale</translation>
    </message>
    <message>
        <source>Lowest key for high keyboard zone</source>
        <translation>Touche la plus grave de la zone aiguë</translation>
    </message>
    <message>
        <source>Default first key inside centra&amp;l keyboard zone</source>
        <translation>Première touche par défaut de la zone &amp;centrale</translation>
    </message>
    <message>
        <source>First key inside centra&amp;l keyboard zone</source>
        <translation>Première touche de la zone &amp;centrale</translation>
    </message>
    <message>
        <source>Default first key inside &amp;high end keyboard zone</source>
        <translation>Première touche par défaut de la zone &amp;aiguë</translation>
    </message>
    <message>
        <source>First key inside &amp;high end keyboard zone</source>
        <translation>Première touche de la zone &amp;aiguë</translation>
    </message>
    <message>
        <source>Default leadin&amp;g zone</source>
        <translation>Zone &amp;directrice par défaut</translation>
    </message>
    <message>
        <source>Leadin&amp;g zone</source>
        <translation>&amp;Zone directrice</translation>
    </message>
    <message>
        <source>Default keyboard zone giving control of the tempo when option &quot;Follow tempo skews from user&quot; is set.
 This can be changed for each input MIDI device in the &quot;Devices setup&quot; tab of the options dialog.
Number, letter and function keys are meant for PC keyboard splitting.</source>
        <translation>Zone du clavier qui mène le tempo, par défaut, quand l’option «&#xa0;Suivre les écarts de tempo du joueur&#xa0;» est cochée.
 Cela se règle pour chaque entrée MIDI dans l’onglet «&#xa0;Périphériques&#xa0;» des options.
Les touches des chiffres, des lettres et de fonction partagent le clavier de l’ordinateur.</translation>
    </message>
    <message>
        <source>Instrument zone giving tempo leadership, when keyboard is split</source>
        <translation>Zone de l’instrument qui mène le tempo, quand le clavier est partagé</translation>
    </message>
    <message>
        <source>Low end / Number keys</source>
        <translation>Zone grave / touches des chiffres</translation>
    </message>
    <message>
        <source>Central zone / Letter keys</source>
        <translation>Zone centrale / touches des lettres</translation>
    </message>
    <message>
        <source>High end / Function keys</source>
        <translation>Zone aiguë / touches de fonction</translation>
    </message>
    <message>
        <source>Low end</source>
        <translation>Zone grave</translation>
    </message>
    <message>
        <source>Central zone</source>
        <translation>Zone centrale</translation>
    </message>
    <message>
        <source>High end</source>
        <translation>Zone aiguë</translation>
    </message>
    <message>
        <source>Select the default output client/port (e.g. sound card port or expander) where to send sequencer events.
(Metronome ticks are always sent to this address).</source>
        <translation>Choisissez le client/port de sortie par défaut (port de la carte son, expandeur…) qui reçoit les événements du séquenceur.
(Le métronome joue toujours sur cette sortie.)</translation>
    </message>
    <message>
        <source>Select an output client/port (e.g. sound card port or expander) to setup.</source>
        <translation>Choisissez le client/port de sortie (port de la carte son, expandeur…) à régler.</translation>
    </message>
    <message>
        <source>Default &amp;output client/port</source>
        <translation>Client/port de &amp;sortie par défaut</translation>
    </message>
    <message>
        <source>&amp;Output client/port</source>
        <translation>Client/port de &amp;sortie</translation>
    </message>
    <message>
        <source>Change default volume for new instruments</source>
        <translation>Volume par défaut des nouveaux instruments</translation>
    </message>
    <message>
        <source>Change volume for instrument (might not work, e.g. for MIDI Through)</source>
        <translation>Volume de l’instrument (sans effet sur certains, comme Midi Through)</translation>
    </message>
    <message>
        <source>Default &amp;volume</source>
        <translation>&amp;Volume par défaut</translation>
    </message>
    <message>
        <source>Instrument &amp;volume</source>
        <translation>&amp;Volume de l’instrument</translation>
    </message>
    <message>
        <source>No song is playing: the instrument gets this volume when the next one starts.</source>
        <translation>Aucun morceau ne joue&#xa0;: l’instrument prendra ce volume au début du prochain.</translation>
    </message>
    <message>
        <source>Show the sum of scheduled outputs on a &amp;traditional keyboard</source>
        <translation>Montrer toutes les sorties programmées sur un clavier tradition&amp;nel</translation>
    </message>
    <message>
        <source>The sum of scheduled outputs will be shown on a traditional keyboard.</source>
        <translation>Toutes les sorties programmées s’affichent sur un clavier traditionnel.</translation>
    </message>
    <message>
        <source>Show the sum of scheduled outputs on a bilinear uniform &amp;chromatic keyboard</source>
        <translation>Montrer toutes les sorties programmées sur un clavier bi&amp;linéaire chromatique</translation>
    </message>
    <message>
        <source>The sum of scheduled outputs will be shown on a bilinear uniform chromatic keyboard.</source>
        <translation>Toutes les sorties programmées s’affichent sur un clavier bilinéaire chromatique.</translation>
    </message>
    <message>
        <source>Scheduled output will be shown on a traditional keyboard.</source>
        <translation>Ce qui est programmé sur cette sortie s’affiche sur un clavier traditionnel.</translation>
    </message>
    <message>
        <source>Scheduled output will be shown on a bilinear uniform chromatic keyboard.</source>
        <translation>Ce qui est programmé sur cette sortie s’affiche sur un clavier bilinéaire chromatique.</translation>
    </message>
    <message>
        <source>I&amp;gnore any backend or firmware consideration of this device as a MIDI output</source>
        <translation>Ig&amp;norer ce périphérique comme sortie MIDI, quoi qu’en disent le pilote ou le micrologiciel</translation>
    </message>
    <message>
        <source>If checked, this output will not appear anywhere else in %1 interface</source>
        <translation>Si coché, cette sortie n’apparaît plus nulle part dans %1</translation>
    </message>
    <message>
        <source>Incorrect values discarded for high key / low key limits</source>
        <translation>Valeurs incorrectes ignorées pour les limites des zones du clavier</translation>
    </message>
</context>
<context>
    <name>MidiIOTab</name>
    <message>
        <source>PC keyboard</source>
        <translation>Clavier de l’ordinateur</translation>
    </message>
</context>
<context>
    <name>MidiTab</name>
    <message>
        <source>Stop the song before choosing another default port. Nothing was applied.</source>
        <translation>Arrêtez le morceau avant de choisir un autre port par défaut. Rien n’a été appliqué.</translation>
    </message>
    <message>
        <source>The chosen port is no longer on the sequencer. Nothing was applied.</source>
        <translation>Le port choisi n’est plus sur le séquenceur. Rien n’a été appliqué.</translation>
    </message>
</context>
<context>
    <name>Mlineedit</name>
    <message>
        <source>Font change canceled.</source>
        <translation>Changement de police annulé.</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <source>Change font…</source>
        <translation>Changer la police…</translation>
    </message>
</context>
<context>
    <name>NewFileDB</name>
    <message>
        <source>New MIDI file</source>
        <translation>Nouveau fichier MIDI</translation>
    </message>
    <message>
        <source>Initial tempo</source>
        <translation>Tempo initial</translation>
    </message>
    <message>
        <source>Number of MIDI ticks per quarter note</source>
        <translation>Nombre de tics MIDI par noire</translation>
    </message>
    <message>
        <source>Number of beats per measure (keysig numerator).</source>
        <translation>Nombre de temps par mesure (numérateur de la signature rythmique).</translation>
    </message>
    <message>
        <source>whole note</source>
        <translation>ronde</translation>
    </message>
    <message>
        <source>half note</source>
        <translation>blanche</translation>
    </message>
    <message>
        <source>quarter note</source>
        <translation>noire</translation>
    </message>
    <message>
        <source>8th note</source>
        <translation>croche</translation>
    </message>
    <message>
        <source>16th note</source>
        <translation>double croche</translation>
    </message>
    <message>
        <source>32nd note</source>
        <translation>triple croche</translation>
    </message>
    <message>
        <source>64th note</source>
        <translation>quadruple croche</translation>
    </message>
    <message>
        <source>Note value of beat (keysig denominator)</source>
        <translation>Valeur du temps (dénominateur de la signature rythmique)</translation>
    </message>
    <message>
        <source>Initial tempo [bpm]:</source>
        <translation>Tempo initial [bpm]&#xa0;:</translation>
    </message>
    <message>
        <source>ppq</source>
        <translation>tics par noire</translation>
    </message>
    <message>
        <source>beats per measure</source>
        <translation>temps par mesure</translation>
    </message>
    <message>
        <source>beat value</source>
        <translation>valeur du temps</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>OptioDB</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Appl&amp;y</source>
        <translation>Appli&amp;quer</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>OptionsDB</name>
    <message>
        <source>Configuration</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>Default I/O</source>
        <translation>E/S par défaut</translation>
    </message>
    <message>
        <source>Devices setup</source>
        <translation>Périphériques</translation>
    </message>
    <message>
        <source>Parameters</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>Event filters</source>
        <translation>Filtres d’événements</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>Metronome</source>
        <translation>Métronome</translation>
    </message>
    <message>
        <source>Synthesizer</source>
        <translation>Synthétiseur</translation>
    </message>
</context>
<context>
    <name>ParametersTab</name>
    <message>
        <source>&amp;Split tracks on format 0 MIDI files</source>
        <translation>&amp;Séparer les pistes des fichiers MIDI de format 0</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;MIDI files of format 0 may have voice events on several channels &lt;br&gt;as well as tempo events all bundled in a single track. &lt;br&gt;Splitting makes them easier to edit.&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Les fichiers MIDI de format 0 peuvent réunir des notes sur plusieurs canaux &lt;br&gt;et les changements de tempo dans une seule piste. &lt;br&gt;Les séparer les rend plus faciles à modifier.&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>Show note shift while &amp;recording</source>
        <translation>Montrer le décalage des notes pendant l’&amp;enregistrement</translation>
    </message>
    <message>
        <source>Instantly display notes on score at the time where they are hit during recording.</source>
        <translation>Pendant l’enregistrement, afficher aussitôt les notes au moment où elles sont jouées.</translation>
    </message>
    <message>
        <source>Take &amp;velocities from MIDI file</source>
        <translation>Prendre les &amp;vélocités du fichier MIDI</translation>
    </message>
    <message>
        <source>Check to use note velocities from MIDI file events in interactive cluster notes</source>
        <translation>Cocher pour jouer les notes des pistes interactives avec les vélocités du fichier MIDI</translation>
    </message>
    <message>
        <source>Take &amp;durations from MIDI file</source>
        <translation>Prendre les &amp;durées du fichier MIDI</translation>
    </message>
    <message>
        <source>Check to use note durations from MIDI file events in interactive tracks.</source>
        <translation>Cocher pour jouer les notes des pistes interactives avec les durées du fichier MIDI.</translation>
    </message>
    <message>
        <source>Follow &amp;tempo skews from user (experimental)</source>
        <translation>Suivre les écarts de &amp;tempo du joueur (expérimental)</translation>
    </message>
    <message>
        <source>Check to have the accompanying tracks (i.e. NON interactive) follow your tempo skew (rubato).</source>
        <translation>Cocher pour que les pistes d’accompagnement (NON interactives) suivent votre tempo (rubato).</translation>
    </message>
    <message>
        <source>Use only true &amp;lyrics events (karaoke sync) in lyrics pane</source>
        <translation>N’afficher que les vrais événements de &amp;paroles (synchro karaoké)</translation>
    </message>
    <message>
        <source>Uncheck this box if a song&apos;s lyrics have been mistakenly stored as ordinary text events.</source>
        <translation>Décochez cette case si les paroles d’un morceau ont été enregistrées par erreur comme du simple texte.</translation>
    </message>
    <message>
        <source>&amp;Kill software synths on exit</source>
        <translation>&amp;Arrêter les synthés logiciels en quittant</translation>
    </message>
    <message>
        <source>Kill all software synths started from current session of %1 upon exit.</source>
        <translation>En quittant, arrêter tous les synthés logiciels lancés depuis cette session de %1.</translation>
    </message>
    <message>
        <source>Select the max time gap for successive notes to be played in one keystroke.</source>
        <translation>Écart maximal entre deux notes successives pour qu’une seule frappe les joue ensemble.</translation>
    </message>
    <message>
        <source>Max. time &amp;gap [ms] (default value, adjust in Quick settings):</source>
        <translation>Écart &amp;maximal [ms] (par défaut&#xa0;; se règle dans les réglages rapides)&#xa0;:</translation>
    </message>
    <message>
        <source>Bigger numbers will wait more before changing tempo and seem harsh, smaller number may seem instable.</source>
        <translation>Avec un grand nombre, le tempo change tard et par à-coups&#xa0;; avec un petit, il peut paraître instable.</translation>
    </message>
    <message>
        <source>&amp;Number of clusters to consider before applying tempo change (default %1):</source>
        <translation>&amp;Nombre de groupes de notes avant de changer le tempo (par défaut %1)&#xa0;:</translation>
    </message>
    <message>
        <source>Keep a practice &amp;journal</source>
        <translation>Tenir un &amp;journal d’entraînement</translation>
    </message>
    <message>
        <source>Check to remember every practice session of a song, for its practice history and the mastery of each measure.</source>
        <translation>Cocher pour garder chaque séance d’entraînement d’un morceau, pour son historique et la maîtrise de chaque mesure.</translation>
    </message>
    <message>
        <source>A measure is mastered once 90 % of its clusters were played within this many milliseconds, on two different days.</source>
        <translation>Une mesure est maîtrisée quand 90&#xa0;% de ses groupes de notes ont été joués à moins de tant de millisecondes, deux jours différents.</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Mastery t&amp;hreshold:</source>
        <translation>Se&amp;uil de maîtrise&#xa0;:</translation>
    </message>
    <message>
        <source>The tempo boost at which a measure must be played to count as mastered.</source>
        <translation>L’accélération du tempo à laquelle une mesure doit être jouée pour compter comme maîtrisée.</translation>
    </message>
    <message>
        <source> %</source>
        <translation>&#xa0;%</translation>
    </message>
    <message>
        <source>Mastery temp&amp;o:</source>
        <translation>Temp&amp;o de maîtrise&#xa0;:</translation>
    </message>
</context>
<context>
    <name>PianoDocks</name>
    <message>
        <source>No MIDI input port</source>
        <translation>Aucun port d’entrée MIDI</translation>
    </message>
    <message>
        <source>No MIDI output port</source>
        <translation>Aucun port de sortie MIDI</translation>
    </message>
    <message>
        <source>All scheduled outputs</source>
        <translation>Toutes les sorties programmées</translation>
    </message>
</context>
<context>
    <name>Preparation</name>
    <message>
        <source>Zero length flipped notes detected and corrected in %1.</source>
        <translation>Des notes de durée nulle, inversées, ont été trouvées et corrigées dans %1.</translation>
    </message>
    <message>
        <source>Errors were found while parsing %1.</source>
        <translation>Des erreurs ont été trouvées à la lecture de %1.</translation>
    </message>
    <message>
        <source>No sound will be heard since no output devices were found. Check Devices setup in Options in case a valid output device is set to be ignored.</source>
        <translation>Aucun son ne sera entendu, car aucune sortie n’a été trouvée. Vérifiez l’onglet Périphériques des Options&#xa0;: une sortie valable y est peut-être ignorée.</translation>
    </message>
    <message>
        <source>No operational output devices were found. Check Devices setup in Options to allow at least one output device.</source>
        <translation>Aucune sortie en état de marche n’a été trouvée. Autorisez au moins une sortie dans l’onglet Périphériques des Options.</translation>
    </message>
    <message>
        <source>No midi keyboard for input.</source>
        <translation>Aucun clavier MIDI en entrée.</translation>
    </message>
</context>
<context>
    <name>Score</name>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Display of notes in tracks, tall rectangles = several notes &lt;br&gt;SHIFT+△▽ or SHIFT+Mouse wheel to change volume of selected tracks&lt;br&gt;Right-click for track menu&lt;br&gt;CTRL+PageUp/PageDown to previous/next measure&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Notes des pistes, un grand rectangle = plusieurs notes &lt;br&gt;MAJ+△▽ ou MAJ+molette pour changer le volume des pistes sélectionnées&lt;br&gt;Clic droit pour le menu de la piste&lt;br&gt;CTRL+Page préc./Page suiv. pour la mesure précédente ou suivante&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&amp;Kb</source>
        <translation>C&amp;l</translation>
    </message>
    <message>
        <source>&amp;Mt</source>
        <translation>&amp;Mu</translation>
    </message>
    <message>
        <source>&amp;Sl</source>
        <translation>&amp;So</translation>
    </message>
    <message>
        <source>&amp;Conf. track</source>
        <translation>&amp;Conf. piste</translation>
    </message>
    <message>
        <source>#%1, free drum</source>
        <translation>n°&#xa0;%1, batterie libre</translation>
    </message>
    <message>
        <source>#%1, free</source>
        <translation>n°&#xa0;%1, libre</translation>
    </message>
    <message>
        <source>#%1, bound drum</source>
        <translation>n°&#xa0;%1, batterie liée</translation>
    </message>
    <message>
        <source>#%1, bound</source>
        <translation>n°&#xa0;%1, liée</translation>
    </message>
    <message>
        <source>Set keyboard interaction for track #%1 (ALT+K).</source>
        <translation>Jouer vous-même la piste n°&#xa0;%1 au clavier (ALT+K).</translation>
    </message>
    <message>
        <source>Check to mute free track %1</source>
        <translation>Cocher pour couper le son de la piste libre %1</translation>
    </message>
    <message>
        <source>Check to mute track #%1 (ALT+M)</source>
        <translation>Cocher pour couper le son de la piste n°&#xa0;%1 (ALT+M)</translation>
    </message>
    <message>
        <source>Check to hear only free track %1</source>
        <translation>Cocher pour n’entendre que la piste libre %1</translation>
    </message>
    <message>
        <source>Check to hear only track #%1 (ALT+S)</source>
        <translation>Cocher pour n’entendre que la piste n°&#xa0;%1 (ALT+S)</translation>
    </message>
    <message>
        <source>Ports for free track #%1 (ALT+C)</source>
        <translation>Ports de la piste libre n°&#xa0;%1 (ALT+C)</translation>
    </message>
    <message>
        <source>Customize %1 track, ALT+C</source>
        <translation>Régler la piste %1, ALT+C</translation>
    </message>
</context>
<context>
    <name>ScoreSlider</name>
    <message>
        <source>Change position in song</source>
        <translation>Changer la position dans le morceau</translation>
    </message>
    <message>
        <source>Set loop start here</source>
        <translation>Début de la boucle ici</translation>
    </message>
    <message>
        <source>Set loop end here</source>
        <translation>Fin de la boucle ici</translation>
    </message>
    <message>
        <source>Clear loop</source>
        <translation>Effacer la boucle</translation>
    </message>
</context>
<context>
    <name>SearchDialog</name>
    <message>
        <source> Find</source>
        <translation> – Rechercher</translation>
    </message>
    <message>
        <source>Find:</source>
        <translation>Rechercher&#xa0;:</translation>
    </message>
    <message>
        <source>Case &amp;Sensitive</source>
        <translation>Respecter la &amp;casse</translation>
    </message>
    <message>
        <source>Find &amp;Backwards</source>
        <translation>Rechercher vers l’a&amp;rrière</translation>
    </message>
    <message>
        <source>Find &amp;Whole words</source>
        <translation>&amp;Mots entiers</translation>
    </message>
    <message>
        <source>&amp;Find</source>
        <translation>&amp;Rechercher</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
</context>
<context>
    <name>SongLoader</name>
    <message>
        <source>Could not parse %1 as a midi file.</source>
        <translation>Impossible de lire %1 comme un fichier MIDI.</translation>
    </message>
</context>
<context>
    <name>SongNames</name>
    <message>
        <source>G flat major</source>
        <translation>Sol bémol majeur</translation>
    </message>
    <message>
        <source>D flat major</source>
        <translation>Ré bémol majeur</translation>
    </message>
    <message>
        <source>A flat major</source>
        <translation>La bémol majeur</translation>
    </message>
    <message>
        <source>E flat major</source>
        <translation>Mi bémol majeur</translation>
    </message>
    <message>
        <source>B flat major</source>
        <translation>Si bémol majeur</translation>
    </message>
    <message>
        <source>F major</source>
        <translation>Fa majeur</translation>
    </message>
    <message>
        <source>C major</source>
        <translation>Do majeur</translation>
    </message>
    <message>
        <source>G major</source>
        <translation>Sol majeur</translation>
    </message>
    <message>
        <source>D major</source>
        <translation>Ré majeur</translation>
    </message>
    <message>
        <source>A major</source>
        <translation>La majeur</translation>
    </message>
    <message>
        <source>E major</source>
        <translation>Mi majeur</translation>
    </message>
    <message>
        <source>B major</source>
        <translation>Si majeur</translation>
    </message>
    <message>
        <source>E flat minor</source>
        <translation>Mi bémol mineur</translation>
    </message>
    <message>
        <source>B flat minor</source>
        <translation>Si bémol mineur</translation>
    </message>
    <message>
        <source>F minor</source>
        <translation>Fa mineur</translation>
    </message>
    <message>
        <source>C minor</source>
        <translation>Do mineur</translation>
    </message>
    <message>
        <source>G minor</source>
        <translation>Sol mineur</translation>
    </message>
    <message>
        <source>D minor</source>
        <translation>Ré mineur</translation>
    </message>
    <message>
        <source>A minor</source>
        <translation>La mineur</translation>
    </message>
    <message>
        <source>E minor</source>
        <translation>Mi mineur</translation>
    </message>
    <message>
        <source>B minor</source>
        <translation>Si mineur</translation>
    </message>
    <message>
        <source>F sharp minor</source>
        <translation>Fa dièse mineur</translation>
    </message>
    <message>
        <source>C sharp minor</source>
        <translation>Do dièse mineur</translation>
    </message>
    <message>
        <source>G sharp minor</source>
        <translation>Sol dièse mineur</translation>
    </message>
    <message>
        <source>Unknown mode</source>
        <translation>Mode inconnu</translation>
    </message>
    <message>
        <source>Unknown major</source>
        <translation>Majeur inconnu</translation>
    </message>
    <message>
        <source>Unknown minor</source>
        <translation>Mineur inconnu</translation>
    </message>
    <message>
        <source>event</source>
        <translation>événement</translation>
    </message>
    <message>
        <source>events</source>
        <translation>événements</translation>
    </message>
    <message>
        <source>Integrated note %1</source>
        <translation>%1 de note complète</translation>
    </message>
    <message>
        <source>Note on %1</source>
        <translation>%1 Note On (note enfoncée)</translation>
    </message>
    <message>
        <source>Note off %1</source>
        <translation>%1 Note Off (note relâchée)</translation>
    </message>
    <message>
        <source>After touch %1 (individual key pressure)</source>
        <translation>%1 d’aftertouch (pression sur une touche)</translation>
    </message>
    <message>
        <source>Controller %1</source>
        <translation>%1 de contrôleur</translation>
    </message>
    <message>
        <source>Program change %1 (patch number)</source>
        <translation>%1 de changement de programme (numéro de son)</translation>
    </message>
    <message>
        <source>Channel pressure %1 (overall pressure for channel)</source>
        <translation>%1 de pression de canal (pression globale du canal)</translation>
    </message>
    <message>
        <source>Pitch bend %1 (vibrato)</source>
        <translation>%1 de pitch bend (vibrato)</translation>
    </message>
</context>
<context>
    <name>SongSaver</name>
    <message>
        <source>Unbounded free tracks exist.
</source>
        <translation>Il reste des pistes libres non liées.
</translation>
    </message>
    <message>
        <source>Do you want to include them in the saved file?
</source>
        <translation>Voulez-vous les inclure dans le fichier enregistré&#xa0;?
</translation>
    </message>
    <message>
        <source>Unable to open file %1 for writing</source>
        <translation>Impossible d’ouvrir le fichier %1 en écriture</translation>
    </message>
    <message>
        <source> :
%1</source>
        <translation>&#xa0;:
%1</translation>
    </message>
    <message>
        <source>Could not write %1 as a midi file.</source>
        <translation>Impossible d’écrire %1 comme fichier MIDI.</translation>
    </message>
</context>
<context>
    <name>SynthControl</name>
    <message>
        <source>The built-in synthesizer takes its new settings when the session ends</source>
        <translation>Le synthétiseur intégré prendra ses nouveaux réglages à la fin de la séance</translation>
    </message>
    <message>
        <source>First start: playing to %1, the built-in synthesizer with %2 (see Options&gt;&gt;Synthesizer)</source>
        <translation>Premier démarrage : jeu vers %1, le synthétiseur intégré avec %2 (voir Options&gt;&gt;Synthétiseur)</translation>
    </message>
    <message>
        <source>Playing to %1, the built-in synthesizer with %2</source>
        <translation>Jeu vers %1, le synthétiseur intégré avec %2</translation>
    </message>
    <message>
        <source>The built-in synthesizer has no sound font: install the package fluid-soundfont-gm, or choose a sound font in Options&gt;&gt;Synthesizer</source>
        <translation>Le synthétiseur intégré n’a pas de banque de sons : installez le paquet fluid-soundfont-gm, ou choisissez une banque de sons dans Options&gt;&gt;Synthétiseur</translation>
    </message>
    <message>
        <source>The built-in synthesizer could not read the sound font %1.
%2
Choose another one in Options&gt;&gt;Synthesizer.</source>
        <translation>Le synthétiseur intégré n’a pas pu lire la banque de sons %1.
%2
Choisissez-en une autre dans Options&gt;&gt;Synthétiseur.</translation>
    </message>
    <message>
        <source>The built-in synthesizer found no audio output (driver %1).
%2
%3 goes on without its sound; choose another audio driver or device in Options&gt;&gt;Synthesizer.</source>
        <translation>Le synthétiseur intégré n’a trouvé aucune sortie audio (pilote %1).
%2
%3 continue sans son ; choisissez un autre pilote ou périphérique audio dans Options&gt;&gt;Synthétiseur.</translation>
    </message>
    <message>
        <source>The built-in synthesizer could not open its sequencer port.
%1</source>
        <translation>Le synthétiseur intégré n’a pas pu ouvrir son port de séquenceur.
%1</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>Starting…</source>
        <translation>Démarrage…</translation>
    </message>
    <message>
        <source>No sound font: install the package fluid-soundfont-gm</source>
        <translation>Pas de banque de sons : installez le paquet fluid-soundfont-gm</translation>
    </message>
    <message>
        <source>Not running: %1</source>
        <translation>Arrêté : %1</translation>
    </message>
    <message>
        <source>Running: %1 through %2
%3 periods of %4 frames at %5 Hz (%6 ms)</source>
        <translation>En marche : %1 par %2
%3 périodes de %4 trames à %5 Hz (%6 ms)</translation>
    </message>
</context>
<context>
    <name>SynthTab</name>
    <message>
        <source>&amp;Start the built-in synthesizer when it is the default output</source>
        <translation>&amp;Démarrer le synthétiseur intégré quand il est la sortie par défaut</translation>
    </message>
    <message>
        <source>none installed: install fluid-soundfont-gm</source>
        <translation>aucune installée : installez fluid-soundfont-gm</translation>
    </message>
    <message>
        <source>automatic: %1</source>
        <translation>automatique : %1</translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation>Parco&amp;urir…</translation>
    </message>
    <message>
        <source>Sound &amp;font:</source>
        <translation>&amp;Banque de sons :</translation>
    </message>
    <message>
        <source>Loudness of the synthesizer; above 1 loud songs may distort</source>
        <translation>Volume du synthétiseur ; au-dessus de 1, les morceaux forts peuvent saturer</translation>
    </message>
    <message>
        <source>&amp;Gain:</source>
        <translation>&amp;Gain :</translation>
    </message>
    <message>
        <source>&amp;Reverb</source>
        <translation>&amp;Réverbération</translation>
    </message>
    <message>
        <source>C&amp;horus</source>
        <translation>C&amp;horus</translation>
    </message>
    <message>
        <source>Effects:</source>
        <translation>Effets :</translation>
    </message>
    <message>
        <source>Automatic (the sound server, else ALSA)</source>
        <translation>Automatique (le serveur de son, sinon ALSA)</translation>
    </message>
    <message>
        <source>PulseAudio or PipeWire</source>
        <translation>PulseAudio ou PipeWire</translation>
    </message>
    <message>
        <source>ALSA</source>
        <translation>ALSA</translation>
    </message>
    <message>
        <source>JACK</source>
        <translation>JACK</translation>
    </message>
    <message>
        <source>&amp;Audio driver:</source>
        <translation>&amp;Pilote audio :</translation>
    </message>
    <message>
        <source>default</source>
        <translation>par défaut</translation>
    </message>
    <message>
        <source>An ALSA device such as hw:1,0 or plughw:USB; empty for the default, which ~/.asoundrc may choose</source>
        <translation>Un périphérique ALSA comme hw:1,0 ou plughw:USB ; vide pour celui par défaut, que ~/.asoundrc peut choisir</translation>
    </message>
    <message>
        <source>Audio &amp;device:</source>
        <translation>Périphérique audi&amp;o :</translation>
    </message>
    <message>
        <source>frames, periods:</source>
        <translation>trames, périodes :</translation>
    </message>
    <message>
        <source>&amp;Period:</source>
        <translation>&amp;Taille de période :</translation>
    </message>
    <message>
        <source>Smaller periods answer the keys sooner; raise them if the sound crackles</source>
        <translation>De petites périodes répondent plus vite aux touches ; augmentez-les si le son craque</translation>
    </message>
    <message>
        <source>In use:</source>
        <translation>En service :</translation>
    </message>
    <message>
        <source>&amp;Test sound</source>
        <translation>&amp;Essayer le son</translation>
    </message>
    <message>
        <source>&amp;Use as default output</source>
        <translation>Uti&amp;liser comme sortie par défaut</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>Sound font</source>
        <translation>Banque de sons</translation>
    </message>
    <message>
        <source>Sound fonts (*.sf2 *.sf3)</source>
        <translation>Banques de sons (*.sf2 *.sf3)</translation>
    </message>
</context>
<context>
    <name>TPiano</name>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Output keyboard &lt;br&gt;Change volume and channel in Default IO tab&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Clavier de sortie &lt;br&gt;Volume et canal se règlent dans l’onglet E/S par défaut&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Input keyboard&lt;br&gt;Shows notes that you must play simultaneously.&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Clavier d’entrée&lt;br&gt;Montre les notes à jouer ensemble.&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Input keyboard&lt;br&gt;Shows notes you triggered by a single keystroke.&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Clavier d’entrée&lt;br&gt;Montre les notes qu’une seule frappe a fait sonner.&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Sum of scheduled (non interactive) outputs on Traditional Keyboard&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Toutes les sorties programmées (non interactives) sur le clavier traditionnel&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
</context>
<context>
    <name>TakePlot</name>
    <message>
        <source>Measure</source>
        <translation>Mesure</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>Early</source>
        <translation>En avance</translation>
    </message>
    <message>
        <source>Late</source>
        <translation>En retard</translation>
    </message>
    <message>
        <source>On time</source>
        <translation>À temps</translation>
    </message>
    <message>
        <source>Tempo boost</source>
        <translation>Accélération du tempo</translation>
    </message>
    <message>
        <source>Worst measures</source>
        <translation>Pires mesures</translation>
    </message>
    <message>
        <source>Steadiness</source>
        <translation>Régularité</translation>
    </message>
</context>
<context>
    <name>TakeWindow</name>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>Take analysis</source>
        <translation>Analyse de la prise</translation>
    </message>
    <message>
        <source>Each dot is a cluster: above the line it was played late, below it early. Click a measure to loop it.</source>
        <translation>Chaque point est un groupe de notes : au-dessus de la ligne il a été joué en retard, au-dessous en avance. Cliquez sur une mesure pour la jouer en boucle.</translation>
    </message>
    <message>
        <source>Clusters played:</source>
        <translation>Groupes joués :</translation>
    </message>
    <message>
        <source>Median deviation:</source>
        <translation>Écart médian :</translation>
    </message>
    <message>
        <source>90th percentile:</source>
        <translation>90e centile :</translation>
    </message>
    <message>
        <source>Tempo:</source>
        <translation>Tempo :</translation>
    </message>
    <message>
        <source>followed the player</source>
        <translation>a suivi le joueur</translation>
    </message>
    <message>
        <source>kept by the accompaniment</source>
        <translation>tenu par l&apos;accompagnement</translation>
    </message>
    <message>
        <source>Measure %1: %2 on average</source>
        <translation>Mesure %1 : %2 en moyenne</translation>
    </message>
    <message>
        <source>Click a measure to set the loop around it</source>
        <translation>Cliquez sur une mesure pour placer la boucle autour</translation>
    </message>
    <message>
        <source>&amp;Export CSV…</source>
        <translation>&amp;Exporter en CSV…</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>Impossible d&apos;écrire %1 : %2</translation>
    </message>
    <message>
        <source>Export the take as CSV</source>
        <translation>Exporter la prise en CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>&amp;Worst measures (click one to loop it):</source>
        <translation>&amp;Pires mesures (cliquez sur une mesure pour la jouer en boucle) :</translation>
    </message>
    <message>
        <source>Steadiness:</source>
        <translation>Régularité&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;History…</source>
        <translation>&amp;Historique…</translation>
    </message>
    <message>
        <source>The practice history of this song</source>
        <translation>L’historique d’entraînement de ce morceau</translation>
    </message>
</context>
<context>
    <name>TopWidget</name>
    <message>
        <source>Traditional - Twinkle, Twinkle, Little Star</source>
        <translation>Traditionnel - Ah&#xa0;! vous dirai-je, maman</translation>
    </message>
    <message>
        <source>Traditional - Mary Had a Little Lamb</source>
        <translation>Traditionnel - Mary Had a Little Lamb</translation>
    </message>
    <message>
        <source>Traditional - Frère Jacques</source>
        <translation>Traditionnel - Frère Jacques</translation>
    </message>
    <message>
        <source>Traditional - London Bridge</source>
        <translation>Traditionnel - London Bridge</translation>
    </message>
    <message>
        <source>Traditional - Old MacDonald Had a Farm</source>
        <translation>Traditionnel - Dans la ferme de Mathurin</translation>
    </message>
    <message>
        <source>Traditional - Au clair de la lune</source>
        <translation>Traditionnel - Au clair de la lune</translation>
    </message>
    <message>
        <source>Beethoven - Ode to Joy</source>
        <translation>Beethoven - Hymne à la joie</translation>
    </message>
    <message>
        <source>Bach - Minuet in G, BWV Anh. 114</source>
        <translation>Bach - Menuet en sol majeur, BWV Anh. 114</translation>
    </message>
    <message>
        <source>Traditional - Yankee Doodle</source>
        <translation>Traditionnel - Yankee Doodle</translation>
    </message>
    <message>
        <source>Brahms - Lullaby, Op. 49 No. 4</source>
        <translation>Brahms - Berceuse, op. 49 nº&#xa0;4</translation>
    </message>
    <message>
        <source>Traditional - Auld Lang Syne</source>
        <translation>Traditionnel - Ce n’est qu’un au revoir</translation>
    </message>
    <message>
        <source>Traditional - Amazing Grace</source>
        <translation>Traditionnel - Amazing Grace</translation>
    </message>
    <message>
        <source>Pierpont - Jingle Bells</source>
        <translation>Pierpont - Vive le vent</translation>
    </message>
    <message>
        <source>Gruber - Silent Night</source>
        <translation>Gruber - Douce nuit</translation>
    </message>
    <message>
        <source>Traditional - Greensleeves</source>
        <translation>Traditionnel - Greensleeves</translation>
    </message>
    <message>
        <source>Traditional - Scarborough Fair</source>
        <translation>Traditionnel - Scarborough Fair</translation>
    </message>
    <message>
        <source>Traditional - Korobeiniki</source>
        <translation>Traditionnel - Korobeïniki</translation>
    </message>
    <message>
        <source>Dvořák - Largo, New World Symphony</source>
        <translation>Dvořák - Largo de la Symphonie du Nouveau Monde</translation>
    </message>
    <message>
        <source>Mason - Joy to the World</source>
        <translation>Mason - Joy to the World</translation>
    </message>
    <message>
        <source>Traditional - Drunken Sailor</source>
        <translation>Traditionnel - Drunken Sailor</translation>
    </message>
    <message>
        <source>Offenbach - Can-Can</source>
        <translation>Offenbach - French cancan</translation>
    </message>
    <message>
        <source>Satie - Gymnopédie No. 1</source>
        <translation>Satie - Gymnopédie nº&#xa0;1</translation>
    </message>
    <message>
        <source>Strauss II - The Blue Danube</source>
        <translation>Strauss fils - Le Beau Danube bleu</translation>
    </message>
    <message>
        <source>Bach - Jesu, Joy of Man&apos;s Desiring</source>
        <translation>Bach - Jésus que ma joie demeure</translation>
    </message>
    <message>
        <source>Pachelbel - Canon in D</source>
        <translation>Pachelbel - Canon en ré majeur</translation>
    </message>
    <message>
        <source>Mozart - Symphony No. 40</source>
        <translation>Mozart - Symphonie nº&#xa0;40</translation>
    </message>
    <message>
        <source>Traditional - When the Saints Go Marching In</source>
        <translation>Traditionnel - When the Saints Go Marching In</translation>
    </message>
    <message>
        <source>Foster - Camptown Races</source>
        <translation>Foster - Camptown Races</translation>
    </message>
    <message>
        <source>Beethoven - Symphony No. 5</source>
        <translation>Beethoven - Symphonie nº&#xa0;5</translation>
    </message>
    <message>
        <source>Grieg - In the Hall of the Mountain King</source>
        <translation>Grieg - Dans l’antre du roi de la montagne</translation>
    </message>
    <message>
        <source>Beethoven - Für Elise</source>
        <translation>Beethoven - La Lettre à Élise</translation>
    </message>
    <message>
        <source>Bach - Prelude in C, BWV 846</source>
        <translation>Bach - Prélude en do majeur, BWV 846</translation>
    </message>
    <message>
        <source>Mozart - Sonata in C, K. 545</source>
        <translation>Mozart - Sonate en do majeur, K. 545</translation>
    </message>
    <message>
        <source>Joplin - The Entertainer</source>
        <translation>Joplin - The Entertainer</translation>
    </message>
    <message>
        <source>Mozart - Rondo alla Turca</source>
        <translation>Mozart - Marche turque</translation>
    </message>
    <message>
        <source>Bach - Toccata in D minor, BWV 565</source>
        <translation>Bach - Toccata en ré mineur, BWV 565</translation>
    </message>
    <message>
        <source>Rimsky-Korsakov - Flight of the Bumblebee</source>
        <translation>Rimski-Korsakov - Le Vol du bourdon</translation>
    </message>
    <message>
        <source>the PC keyboard</source>
        <translation>clavier de l’ordinateur</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucune</translation>
    </message>
    <message>
        <source>First start: playing from %1 to %2 (see Options&gt;&gt;Devices setup)</source>
        <translation>Premier démarrage&#xa0;: entrée %1, sortie %2 (voir Options&gt;&gt;Périphériques)</translation>
    </message>
    <message>
        <source>MIDI files</source>
        <translation>Fichiers MIDI</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>No MIDI output port both available and allowed. You can try to allow one in Devices setup or execute a software synthesizer program using the next dialog</source>
        <translation>Aucun port de sortie MIDI n’est à la fois disponible et autorisé. Autorisez-en un dans Périphériques, ou lancez un synthétiseur logiciel avec la fenêtre qui suit</translation>
    </message>
    <message>
        <source>You cannot use %1 without at least one MIDI output enabled in Options&gt;&gt;Devices setup. You can create one in File&gt;&gt;Launch tools and soft&amp;ware synths…</source>
        <translation>%1 ne peut pas servir sans au moins une sortie MIDI activée dans Options&gt;&gt;Périphériques. Vous pouvez en créer une avec Fichier&gt;&gt;Lancer des outils et synt&amp;hés logiciels…</translation>
    </message>
    <message>
        <source>%1 - Open a MIDI file</source>
        <translation>%1 - Ouvrir un fichier MIDI</translation>
    </message>
    <message>
        <source>Demo canceled</source>
        <translation>Démo annulée</translation>
    </message>
    <message>
        <source>File %1 not found</source>
        <translation>Fichier %1 introuvable</translation>
    </message>
    <message>
        <source>%1 has been modified.
</source>
        <translation>%1 a été modifié.
</translation>
    </message>
    <message>
        <source>Do you want to save your changes?</source>
        <translation>Voulez-vous enregistrer vos modifications&#xa0;?</translation>
    </message>
    <message>
        <source>Reloading will erase all changes you made to the current file and load it with current settings. Are you sure you want to do this?</source>
        <translation>Recharger efface toutes vos modifications du fichier et le relit avec les réglages actuels. Voulez-vous vraiment le faire&#xa0;?</translation>
    </message>
    <message>
        <source>%1 - Write MIDI file</source>
        <translation>%1 - Enregistrer le fichier MIDI</translation>
    </message>
    <message>
        <source>File Save was canceled.</source>
        <translation>Enregistrement annulé.</translation>
    </message>
    <message>
        <source>You cannot create a MIDI file in %1 without a MIDI instrument connected (also check it is not ignored in Devices setup).</source>
        <translation>%1 ne peut pas créer de fichier MIDI sans instrument MIDI branché (vérifiez aussi qu’il n’est pas ignoré dans Périphériques).</translation>
    </message>
    <message>
        <source>You cannot use %1 without at least one MIDI output enabled in Devices setup.</source>
        <translation>%1 ne peut pas servir sans au moins une sortie MIDI activée dans Périphériques.</translation>
    </message>
    <message>
        <source>Empty file creation canceled</source>
        <translation>Création du fichier vide annulée</translation>
    </message>
    <message>
        <source>Could not create a new file in %1</source>
        <translation>Impossible de créer un nouveau fichier dans %1</translation>
    </message>
    <message>
        <source>Created in %1 version %2</source>
        <translation>Créé avec %1 version %2</translation>
    </message>
    <message>
        <source>Are you sure you want to bind all events in the selected free tracks?</source>
        <translation>Voulez-vous vraiment lier tous les événements des pistes libres sélectionnées&#xa0;?</translation>
    </message>
    <message>
        <source>Are you sure you want to remove all events in the selected free tracks?</source>
        <translation>Voulez-vous vraiment effacer tous les événements des pistes libres sélectionnées&#xa0;?</translation>
    </message>
    <message>
        <source>, (1 track)</source>
        <translation>, (1 piste)</translation>
    </message>
    <message>
        <source>, (2 tracks)</source>
        <translation>, (2 pistes)</translation>
    </message>
    <message>
        <source>, (3 tracks)</source>
        <translation>, (3 pistes)</translation>
    </message>
    <message>
        <source>, (4 tracks)</source>
        <translation>, (4 pistes)</translation>
    </message>
    <message>
        <source>, (5 tracks)</source>
        <translation>, (5 pistes)</translation>
    </message>
    <message>
        <source>, (7 tracks)</source>
        <translation>, (7 pistes)</translation>
    </message>
    <message>
        <source>, (8 tracks)</source>
        <translation>, (8 pistes)</translation>
    </message>
    <message>
        <source>, (9 tracks)</source>
        <translation>, (9 pistes)</translation>
    </message>
    <message>
        <source>Could not find resource %1</source>
        <translation>Ressource %1 introuvable</translation>
    </message>
    <message>
        <source>Could not copy the demo to %1</source>
        <translation>Impossible de copier la démo dans %1</translation>
    </message>
    <message>
        <source> demo - </source>
        <translation> démo - </translation>
    </message>
    <message>
        <source>&amp;Children</source>
        <translation>&amp;Enfants</translation>
    </message>
    <message>
        <source>&amp;Easy</source>
        <translation>&amp;Facile</translation>
    </message>
    <message>
        <source>&amp;Medium</source>
        <translation>&amp;Moyen</translation>
    </message>
    <message>
        <source>&amp;Hard</source>
        <translation>&amp;Difficile</translation>
    </message>
    <message>
        <source>(1 track)</source>
        <translation>(1 piste)</translation>
    </message>
    <message>
        <source>(%1 tracks)</source>
        <translation>(%1 pistes)</translation>
    </message>
    <message>
        <source>Menu %1 &gt; %2 &gt; %3 %4%5</source>
        <translation>Menu %1 &gt; %2 &gt; %3 %4%5</translation>
    </message>
    <message>
        <source>&amp;Demo</source>
        <translation>&amp;Démo</translation>
    </message>
    <message>
        <source>Quick troubleshooting</source>
        <translation>Dépannage rapide</translation>
    </message>
    <message>
        <source>I installed %1 but hear no sound.</source>
        <translation>J’ai installé %1 mais je n’entends rien.</translation>
    </message>
    <message>
        <source>O&amp;ptions…</source>
        <translation>O&amp;ptions…</translation>
    </message>
    <message>
        <source>Default I/O</source>
        <translation>E/S par défaut</translation>
    </message>
    <message>
        <source>Check that the sound card is not muted (see the volume question below).</source>
        <translation>Vérifiez que la carte son n’est pas muette (voir la question sur le volume plus bas).</translation>
    </message>
    <message>
        <source>How do I get the best performance on a desktop computer?</source>
        <translation>Comment obtenir les meilleures performances sur un ordinateur de bureau&#xa0;?</translation>
    </message>
    <message>
        <source>Close programs that load the processor, and let the synthesizer run with a short audio buffer; with JACK, a period of 128 or 256 frames is usual.</source>
        <translation>Fermez les programmes qui chargent le processeur et faites tourner le synthétiseur avec une petite mémoire tampon audio&#xa0;; avec JACK, une période de 128 ou 256 trames est courante.</translation>
    </message>
    <message>
        <source>A hardware expander or a keyboard&apos;s own sounds have no audio latency at all: connect it and choose it as the output.</source>
        <translation>Un expandeur matériel ou les sons d’un clavier n’ont aucune latence audio&#xa0;: branchez-le et choisissez-le comme sortie.</translation>
    </message>
    <message>
        <source>After changing the tempo boost or the zoom, my keys do nothing.</source>
        <translation>Après avoir changé la vitesse ou le zoom, mes touches ne font plus rien.</translation>
    </message>
    <message>
        <source>The spin box you used keeps the keyboard focus and takes the keys. Click on the piano roll to give the keys back to the song.</source>
        <translation>Le champ que vous avez modifié garde le clavier et prend les touches. Cliquez sur le défilement des notes pour rendre les touches au morceau.</translation>
    </message>
    <message>
        <source>The mouse wheel over a spin box changes it without taking the focus.</source>
        <translation>La molette de la souris sur un champ le modifie sans lui donner le clavier.</translation>
    </message>
    <message>
        <source>Notes keep sounding after a stop.</source>
        <translation>Des notes continuent de sonner après l’arrêt.</translation>
    </message>
    <message>
        <source>Use %1 (Ctrl+E): every output gets an all-notes-off.</source>
        <translation>Utilisez %1 (Ctrl+E)&#xa0;: chaque sortie reçoit un «&#xa0;all notes off&#xa0;».</translation>
    </message>
    <message>
        <source>A&amp;ll notes off</source>
        <translation>Couper &amp;toutes les notes</translation>
    </message>
    <message>
        <source>Some synthesizers ignore that message; restarting them silences them.</source>
        <translation>Certains synthétiseurs ignorent ce message&#xa0;; les redémarrer les fait taire.</translation>
    </message>
    <message>
        <source>The tempo does not follow my playing on the PC keyboard.</source>
        <translation>Le tempo ne suit pas mon jeu sur le clavier de l’ordinateur.</translation>
    </message>
    <message>
        <source>Tick %1 in the quick settings, or check %2 in tab %3.</source>
        <translation>Cochez %1 dans les réglages rapides, ou %2 dans l’onglet %3.</translation>
    </message>
    <message>
        <source>Ske&amp;ws</source>
        <translation>Su&amp;ivre</translation>
    </message>
    <message>
        <source>Follow &amp;tempo skews from user (experimental)</source>
        <translation>Suivre les écarts de &amp;tempo du joueur (expérimental)</translation>
    </message>
    <message>
        <source>Parameters</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>The tempo changes only after the number of clusters set in tab %1 has been played (ten by default), so that one late key does not throw the accompaniment off; fewer follow you sooner.</source>
        <translation>Le tempo ne change qu’après le nombre de groupes de notes réglé dans l’onglet %1 (dix par défaut), pour qu’une touche en retard ne dérègle pas l’accompagnement&#xa0;; moins de groupes vous suivent plus vite.</translation>
    </message>
    <message>
        <source>A song shows one track only, though several instruments play.</source>
        <translation>Un morceau n’affiche qu’une piste alors que plusieurs instruments jouent.</translation>
    </message>
    <message>
        <source>It is a format 0 file, with every channel in one track. Check %1 in tab %2 and reload the song (Ctrl+F5): each channel becomes a track of its own.</source>
        <translation>C’est un fichier de format 0, où tous les canaux sont dans une seule piste. Cochez %1 dans l’onglet %2 et rechargez le morceau (Ctrl+F5)&#xa0;: chaque canal devient une piste.</translation>
    </message>
    <message>
        <source>&amp;Split tracks on format 0 MIDI files</source>
        <translation>&amp;Séparer les pistes des fichiers MIDI de format 0</translation>
    </message>
    <message>
        <source>How do I show or hear only some tracks?</source>
        <translation>Comment n’afficher ou n’entendre que certaines pistes&#xa0;?</translation>
    </message>
    <message>
        <source>To keep only some tracks in the file, select the others, use %1 in menu %2 and save the song under a new name.</source>
        <translation>Pour ne garder que certaines pistes dans le fichier, sélectionnez les autres, utilisez %1 dans le menu %2 et enregistrez le morceau sous un autre nom.</translation>
    </message>
    <message>
        <source>&amp;Delete bound…</source>
        <translation>&amp;Supprimer les pistes liées…</translation>
    </message>
    <message>
        <source>&amp;Tracks</source>
        <translation>&amp;Pistes</translation>
    </message>
    <message>
        <source>STOP takes a while when a sound server plays the synthesizer.</source>
        <translation>L’arrêt tarde quand un serveur de son joue le synthétiseur.</translation>
    </message>
    <message>
        <source>The notes already scheduled are still in the sound server&apos;s buffer. Start the synthesizer on ALSA or JACK directly, or give the server a shorter latency:</source>
        <translation>Les notes déjà programmées sont encore dans la mémoire tampon du serveur de son. Lancez le synthétiseur directement sur ALSA ou JACK, ou donnez au serveur une latence plus courte&#xa0;:</translation>
    </message>
    <message>
        <source>The lyrics pane stays empty.</source>
        <translation>Le panneau des paroles reste vide.</translation>
    </message>
    <message>
        <source>The song has no lyrics, or the pane is switched off in tab %1.</source>
        <translation>Le morceau n’a pas de paroles, ou le panneau est désactivé dans l’onglet %1.</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>With %1 checked in tab %2, only true lyrics events are shown; uncheck it for files that put their words in text events.</source>
        <translation>Quand %1 est coché dans l’onglet %2, seuls les vrais événements de paroles s’affichent&#xa0;; décochez-le pour les fichiers qui mettent leurs paroles dans des événements de texte.</translation>
    </message>
    <message>
        <source>Use only true &amp;lyrics events (karaoke sync) in lyrics pane</source>
        <translation>N’afficher que les vrais événements de &amp;paroles (synchro karaoké)</translation>
    </message>
    <message>
        <source>The words of the lyrics show strange characters.</source>
        <translation>Les paroles affichent des caractères bizarres.</translation>
    </message>
    <message>
        <source>Use %1 (Ctrl+X) until they read right: each use tries the next character set.</source>
        <translation>Utilisez %1 (Ctrl+X) jusqu’à ce qu’elles se lisent bien&#xa0;: chaque fois, le jeu de caractères suivant est essayé.</translation>
    </message>
    <message>
        <source>Fix l&amp;yrics characters…</source>
        <translation>Corriger les caractères des paro&amp;les…</translation>
    </message>
    <message>
        <source>The window is empty when %1 starts.</source>
        <translation>La fenêtre est vide au démarrage de %1.</translation>
    </message>
    <message>
        <source>That is how it starts: open a song with %1 (Ctrl+O) or pick one in menu %2.</source>
        <translation>C’est normal&#xa0;: ouvrez un morceau avec %1 (Ctrl+O) ou choisissez-en un dans le menu %2.</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>&amp;Ouvrir…</translation>
    </message>
    <message>
        <source>When the keyboard and output lists are empty too, the ALSA sequencer is not there: load its module, then start %1 again.</source>
        <translation>Si les listes des claviers et des sorties sont vides elles aussi, le séquenceur ALSA est absent&#xa0;: chargez son module, puis relancez %1.</translation>
    </message>
    <message>
        <source>The PC keys no longer repeat in other programs.</source>
        <translation>Les touches de l’ordinateur ne se répètent plus dans les autres programmes.</translation>
    </message>
    <message>
        <source>I cannot stop the song or leave %1.</source>
        <translation>Je n’arrive pas à arrêter le morceau ni à quitter %1.</translation>
    </message>
    <message>
        <source>Use %1 (Ctrl+Q); from a terminal, this also ends it cleanly, with all notes off:</source>
        <translation>Utilisez %1 (Ctrl+Q)&#xa0;; depuis un terminal, cette commande l’arrête proprement elle aussi, toutes notes coupées&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>A modified song is then kept in &lt;tt&gt;~/.config/clavion/recovery/&lt;/tt&gt;.</source>
        <translation>Un morceau modifié est alors gardé dans &lt;tt&gt;&#xa0;/.config/clavion/recovery/&lt;/tt&gt;.</translation>
    </message>
    <message>
        <source>The free tracks are greyed, or %1 is disabled.</source>
        <translation>Les pistes libres sont grisées, ou %1 est désactivé.</translation>
    </message>
    <message>
        <source>&amp;Bind free…</source>
        <translation>&amp;Lier les pistes libres…</translation>
    </message>
    <message>
        <source>Select the free tracks first; while a song plays, the track commands wait for the end.</source>
        <translation>Sélectionnez d’abord les pistes libres&#xa0;; pendant la lecture, les commandes des pistes attendent la fin.</translation>
    </message>
    <message>
        <source>An input checked as ignored in tab %1 gets no free track; uncheck it and reload the song.</source>
        <translation>Une entrée marquée comme ignorée dans l’onglet %1 n’a pas de piste libre&#xa0;; décochez-la et rechargez le morceau.</translation>
    </message>
    <message>
        <source>Devices setup</source>
        <translation>Périphériques</translation>
    </message>
    <message>
        <source>An option I changed has no effect.</source>
        <translation>Une option que j’ai changée est sans effet.</translation>
    </message>
    <message>
        <source>OK and Apply keep only the tab that is shown. Options about the song&apos;s tracks and devices take effect when the song is opened again (Ctrl+F5).</source>
        <translation>OK et Appliquer ne gardent que l’onglet affiché. Les options qui touchent aux pistes et aux périphériques du morceau prennent effet quand le morceau est rouvert (Ctrl+F5).</translation>
    </message>
    <message>
        <source>A settings file from an older version may hold odd values; to start afresh remove it:</source>
        <translation>Un fichier de réglages d’une ancienne version peut contenir des valeurs étranges&#xa0;; pour repartir de zéro, supprimez-le&#xa0;:</translation>
    </message>
    <message>
        <source>The piano roll scrolls shakily.</source>
        <translation>Le défilement des notes est saccadé.</translation>
    </message>
    <message>
        <source>Lower the %1 in the quick settings, and hide the keyboards you do not need.</source>
        <translation>Baissez le %1 dans les réglages rapides et masquez les claviers inutiles.</translation>
    </message>
    <message>
        <source>&amp;Zoom</source>
        <translation>&amp;Zoom</translation>
    </message>
    <message>
        <source>A desktop with effects (compositing) costs frames; a lighter one helps.</source>
        <translation>Un bureau à effets graphiques (composition) coûte des images&#xa0;; un bureau plus léger aide.</translation>
    </message>
    <message>
        <source>A software synthesizer does not start from %1.</source>
        <translation>Un synthétiseur logiciel ne démarre pas depuis %1.</translation>
    </message>
    <message>
        <source>Launch tools and soft&amp;ware synths…</source>
        <translation>Lancer des outils et synt&amp;hés logiciels…</translation>
    </message>
    <message>
        <source>Its messages tell why; a common one is an audio device already taken:</source>
        <translation>Ses messages disent pourquoi&#xa0;; un cas courant est une carte son déjà occupée&#xa0;:</translation>
    </message>
    <message>
        <source>Let it play through the sound server instead (&lt;tt&gt;-a pulseaudio&lt;/tt&gt;), or stop the program that holds the card.</source>
        <translation>Faites-le plutôt jouer par le serveur de son (&lt;tt&gt;-a pulseaudio&lt;/tt&gt;), ou arrêtez le programme qui occupe la carte.</translation>
    </message>
    <message>
        <source>What I play on a free track is not kept.</source>
        <translation>Ce que je joue sur une piste libre n’est pas gardé.</translation>
    </message>
    <message>
        <source>Free tracks keep notes only while recording: use %1, then answer Yes when asked to keep the take.</source>
        <translation>Les pistes libres ne gardent les notes que pendant l’enregistrement&#xa0;: utilisez %1, puis répondez Oui quand on vous demande de garder la prise.</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Keys that belong to a zone of a track you play never reach the free track.</source>
        <translation>Les touches de la zone d’une piste que vous jouez n’arrivent jamais dans la piste libre.</translation>
    </message>
    <message>
        <source>Use %1 to make the recorded free tracks part of the song before saving.</source>
        <translation>Utilisez %1 pour intégrer au morceau les pistes libres enregistrées avant de l’enregistrer.</translation>
    </message>
    <message>
        <source>The launched synthesizer runs but I hear nothing.</source>
        <translation>Le synthétiseur lancé tourne mais je n’entends rien.</translation>
    </message>
    <message>
        <source>Its port must be listed by:</source>
        <translation>Son port doit apparaître dans&#xa0;:</translation>
    </message>
    <message>
        <source>The terminal shows an error about poll.</source>
        <translation>Le terminal affiche une erreur de poll.</translation>
    </message>
    <message>
        <source>A line such as this one means the sequencer stopped answering:</source>
        <translation>Une ligne comme celle-ci signifie que le séquenceur ne répond plus&#xa0;:</translation>
    </message>
    <message>
        <source>Stop and start the song again; when it repeats, reload the sequencer modules or restart the computer.</source>
        <translation>Arrêtez puis relancez le morceau&#xa0;; si cela se reproduit, rechargez les modules du séquenceur ou redémarrez l’ordinateur.</translation>
    </message>
    <message>
        <source>How do I set the volume of the sound card?</source>
        <translation>Comment régler le volume de la carte son&#xa0;?</translation>
    </message>
    <message>
        <source>With the desktop&apos;s mixer, or in a terminal:</source>
        <translation>Avec le mélangeur du bureau, ou dans un terminal&#xa0;:</translation>
    </message>
    <message>
        <source>or interactively:</source>
        <translation>ou de façon interactive&#xa0;:</translation>
    </message>
    <message>
        <source>My MIDI keyboard is not in the list of keyboards.</source>
        <translation>Mon clavier MIDI n’est pas dans la liste des claviers.</translation>
    </message>
    <message>
        <source>Every note I play sounds twice, or notes appear that nobody played.</source>
        <translation>Chaque note que je joue sonne deux fois, ou des notes que personne n’a jouées apparaissent.</translation>
    </message>
    <message>
        <source>The input is connected to an output that sends back what it gets (such as Midi Through). Check %1 for it in tab %2.</source>
        <translation>L’entrée est reliée à une sortie qui renvoie ce qu’elle reçoit (comme Midi Through). Cochez %1 pour elle dans l’onglet %2.</translation>
    </message>
    <message>
        <source>I&amp;gnore any backend or firmware consideration of this device as a MIDI input</source>
        <translation>I&amp;gnorer ce périphérique comme entrée MIDI, quoi qu’en disent le pilote ou le micrologiciel</translation>
    </message>
    <message>
        <source>Two players on one keyboard: each key rings the wrong track.</source>
        <translation>Deux joueurs sur un clavier&#xa0;: chaque touche fait sonner la mauvaise piste.</translation>
    </message>
    <message>
        <source>Check %1 for that keyboard in tab %2.</source>
        <translation>Cochez %1 pour ce clavier dans l’onglet %2.</translation>
    </message>
    <message>
        <source>&amp;Split KB for this instrument</source>
        <translation>&amp;Partager le clavier de cet instrument</translation>
    </message>
    <message>
        <source>Right-click the input keyboard on the key where a zone should begin and choose it as first key of the central or high zone.</source>
        <translation>Faites un clic droit sur le clavier d’entrée, sur la touche où une zone doit commencer, et choisissez-la comme première touche de la zone centrale ou aiguë.</translation>
    </message>
    <message>
        <source>Give each track its zone in the track dialog, tab %1.</source>
        <translation>Donnez à chaque piste sa zone dans la fenêtre de la piste, onglet %1.</translation>
    </message>
    <message>
        <source>Input/output</source>
        <translation>Entrée/sortie</translation>
    </message>
    <message>
        <source>I kept a take that I do not want.</source>
        <translation>J’ai gardé une prise dont je ne veux pas.</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Recharger</translation>
    </message>
    <message>
        <source>Saving a demo asks for a file name.</source>
        <translation>Enregistrer une démo demande un nom de fichier.</translation>
    </message>
    <message>
        <source>Demos are copies in the temporary folder; %1 asks where to keep yours.</source>
        <translation>Les démos sont des copies dans le dossier temporaire&#xa0;; %1 vous demande où garder la vôtre.</translation>
    </message>
    <message>
        <source>Save &amp;As…</source>
        <translation>Enregistrer &amp;sous…</translation>
    </message>
    <message>
        <source>The drums are silent or play as piano.</source>
        <translation>La batterie est muette ou joue comme un piano.</translation>
    </message>
    <message>
        <source>Drums are on MIDI channel 10 and need a General MIDI sound font or expander; the fluid-soundfont-gm package has one.</source>
        <translation>La batterie est sur le canal MIDI 10 et demande une banque de sons ou un expandeur General MIDI&#xa0;; le paquet fluid-soundfont-gm en fournit une.</translation>
    </message>
    <message>
        <source>%1 does not open.</source>
        <translation>%1 ne s’ouvre pas.</translation>
    </message>
    <message>
        <source>Handb&amp;ook…</source>
        <translation>&amp;Manuel…</translation>
    </message>
    <message>
        <source>Set %1 and %2 in tab %3; with no browser set, the desktop&apos;s own browser is used.</source>
        <translation>Réglez %1 et %2 dans l’onglet %3&#xa0;; sans navigateur réglé, celui du bureau est utilisé.</translation>
    </message>
    <message>
        <source>Path of help &amp;index:</source>
        <translation>Chemin de l’&amp;index de l’aide&#xa0;:</translation>
    </message>
    <message>
        <source>Path of help &amp;browser:</source>
        <translation>Chemin du &amp;navigateur de l’aide&#xa0;:</translation>
    </message>
    <message>
        <source>The handbook is installed with %1 under &lt;tt&gt;share/doc/clavion&lt;/tt&gt;.</source>
        <translation>Le manuel est installé avec %1 sous &lt;tt&gt;share/doc/clavion&lt;/tt&gt;.</translation>
    </message>
    <message>
        <source>Training hints</source>
        <translation>Conseils d’entraînement</translation>
    </message>
    <message>
        <source>Play an easy file with one track: tick %1, then %2 and play the next key each time.</source>
        <translation>Jouez un fichier facile à une seule piste&#xa0;: cochez %1, puis %2, et jouez à chaque fois la touche suivante.</translation>
    </message>
    <message>
        <source>Listen</source>
        <translation>Écouter</translation>
    </message>
    <message>
        <source>, very easy</source>
        <translation>, très facile</translation>
    </message>
    <message>
        <source>Open a demo with several tracks and take one of them; the others accompany you.</source>
        <translation>Ouvrez une démo à plusieurs pistes et prenez-en une&#xa0;; les autres vous accompagnent.</translation>
    </message>
    <message>
        <source>Split the MIDI keyboard (tab %1) and play several tracks, alone with two hands or with friends.</source>
        <translation>Partagez le clavier MIDI (onglet %1) et jouez plusieurs pistes, seul à deux mains ou avec des amis.</translation>
    </message>
    <message>
        <source>, a round</source>
        <translation>, un canon</translation>
    </message>
    <message>
        <source>Play one hand by ear: listen to the song first, then play the melody without looking at the piano roll.</source>
        <translation>Jouez une main d’oreille&#xa0;: écoutez d’abord le morceau, puis jouez la mélodie sans regarder le défilement des notes.</translation>
    </message>
    <message>
        <source>Load a multitimbral General MIDI sound font in the synthesizer for songs with several instruments.</source>
        <translation>Chargez une banque de sons General MIDI multitimbrale dans le synthétiseur pour les morceaux à plusieurs instruments.</translation>
    </message>
    <message>
        <source>Rest the pointer on a demo in menu %1: the status bar tells its number of tracks. Songs with words open the lyrics pane.</source>
        <translation>Posez le pointeur sur une démo du menu %1&#xa0;: la barre d’état indique son nombre de pistes. Les morceaux avec paroles ouvrent le panneau des paroles.</translation>
    </message>
    <message>
        <source>, with lyrics</source>
        <translation>, avec paroles</translation>
    </message>
    <message>
        <source>&lt;i&gt;&lt;h3&gt;An assistant for playing piano&lt;/h3&gt;&lt;/i&gt;</source>
        <translation>&lt;i&gt;&lt;h3&gt;Un assistant pour jouer du piano&lt;/h3&gt;&lt;/i&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;%1 version %2,&lt;br&gt;&amp;nbsp;&amp;nbsp;&amp;nbsp;compiled against Qt&amp;nbsp;version&amp;nbsp;%3,&lt;br&gt;&amp;nbsp;&amp;nbsp;&amp;nbsp;running on Qt&amp;nbsp;version&amp;nbsp;%4.&lt;/p&gt;</source>
        <translation>&lt;p&gt;%1 version %2,&lt;br&gt;&amp;nbsp;&amp;nbsp;&amp;nbsp;compilé avec Qt&amp;nbsp;version&amp;nbsp;%3,&lt;br&gt;&amp;nbsp;&amp;nbsp;&amp;nbsp;fonctionnant avec Qt&amp;nbsp;version&amp;nbsp;%4.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>À propos de %1</translation>
    </message>
    <message>
        <source>Could not run %1</source>
        <translation>Impossible de lancer %1</translation>
    </message>
    <message>
        <source>a web browser for %1</source>
        <translation>un navigateur web pour %1</translation>
    </message>
    <message>
        <source>Right-click to get a menu</source>
        <translation>Clic droit pour un menu</translation>
    </message>
    <message>
        <source>Click one or more times green icon on toolbar to fix accented characters if necessary</source>
        <translation>Cliquez une ou plusieurs fois sur l’icône verte de la barre d’outils pour corriger les caractères accentués si besoin</translation>
    </message>
    <message>
        <source>&amp;New…</source>
        <translation>&amp;Nouveau…</translation>
    </message>
    <message>
        <source>Create a new midi file</source>
        <translation>Créer un nouveau fichier MIDI</translation>
    </message>
    <message>
        <source>Create a new midi file with default parameters</source>
        <translation>Créer un nouveau fichier MIDI avec les paramètres par défaut</translation>
    </message>
    <message>
        <source>Load a midi file for custom play</source>
        <translation>Ouvrir un fichier MIDI pour le jouer</translation>
    </message>
    <message>
        <source>Load an existing midi file for custom play</source>
        <translation>Ouvrir un fichier MIDI existant pour le jouer</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
    <message>
        <source>Close midi file</source>
        <translation>Fermer le fichier MIDI</translation>
    </message>
    <message>
        <source>Close currently open MIDI file</source>
        <translation>Fermer le fichier MIDI ouvert</translation>
    </message>
    <message>
        <source>Reload midi file from disk.</source>
        <translation>Relire le fichier MIDI sur le disque.</translation>
    </message>
    <message>
        <source>Reload the currently open MIDI file from disk, taking new settings into account but losing unsaved changes if any</source>
        <translation>Relire sur le disque le fichier MIDI ouvert, avec les nouveaux réglages, en perdant les modifications non enregistrées</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Enregistrer</translation>
    </message>
    <message>
        <source>Save your changes, modifying original file</source>
        <translation>Enregistrer vos modifications dans le fichier d’origine</translation>
    </message>
    <message>
        <source>Save your edits, modifying original or previously saved file</source>
        <translation>Enregistrer vos modifications dans le fichier d’origine ou le dernier fichier enregistré</translation>
    </message>
    <message>
        <source>Save your changes to another file</source>
        <translation>Enregistrer vos modifications dans un autre fichier</translation>
    </message>
    <message>
        <source>Save your edits under a different file name</source>
        <translation>Enregistrer vos modifications sous un autre nom</translation>
    </message>
    <message>
        <source>Finetune %1&apos;s behaviour</source>
        <translation>Régler finement %1</translation>
    </message>
    <message>
        <source>Set various visual and functional parameters relative %1&apos;s behaviour</source>
        <translation>Régler l’affichage et le fonctionnement de %1</translation>
    </message>
    <message>
        <source>Current software synt&amp;hs…</source>
        <translation>Synthés logiciels a&amp;ctifs…</translation>
    </message>
    <message>
        <source>Check software synthesizers</source>
        <translation>Voir les synthétiseurs logiciels</translation>
    </message>
    <message>
        <source>List of software synthesizers started from current session of %1</source>
        <translation>Liste des synthétiseurs logiciels lancés depuis cette session de %1</translation>
    </message>
    <message>
        <source>Start available audio tools</source>
        <translation>Lancer les outils audio disponibles</translation>
    </message>
    <message>
        <source>Launch audio tools (jackd, pulseaudio, etc.) and software synthesizers (fluidsynth, timidity, etc.</source>
        <translation>Lancer des outils audio (jackd, pulseaudio, etc.) et des synthétiseurs logiciels (fluidsynth, timidity, etc.</translation>
    </message>
    <message>
        <source>&amp;Data for current song…</source>
        <translation>&amp;Données du morceau…</translation>
    </message>
    <message>
        <source>Data for current song…</source>
        <translation>Données du morceau…</translation>
    </message>
    <message>
        <source>Immediately stop all notes currently playing on all midi devices and channels</source>
        <translation>Couper aussitôt toutes les notes qui sonnent, sur tous les périphériques et canaux MIDI</translation>
    </message>
    <message>
        <source>Try to correctly display accented characters in lyrics</source>
        <translation>Essayer d’afficher correctement les caractères accentués des paroles</translation>
    </message>
    <message>
        <source> Select if the karaoke text is garbled</source>
        <translation> À choisir si le texte du karaoké est illisible</translation>
    </message>
    <message>
        <source>&amp;Merge bound…</source>
        <translation>&amp;Fusionner les pistes liées…</translation>
    </message>
    <message>
        <source>Merge selected bound tracks</source>
        <translation>Fusionner les pistes liées sélectionnées</translation>
    </message>
    <message>
        <source>Delete selected bound tracks</source>
        <translation>Supprimer les pistes liées sélectionnées</translation>
    </message>
    <message>
        <source>Bind selected free tracks</source>
        <translation>Lier les pistes libres sélectionnées</translation>
    </message>
    <message>
        <source>Add currently selected free tracks to bound track set</source>
        <translation>Ajouter les pistes libres sélectionnées aux pistes liées</translation>
    </message>
    <message>
        <source>&amp;Wipe free…</source>
        <translation>&amp;Vider les pistes libres…</translation>
    </message>
    <message>
        <source>Remove all events in selected free tracks</source>
        <translation>Effacer tous les événements des pistes libres sélectionnées</translation>
    </message>
    <message>
        <source>&amp;About…</source>
        <translation>À &amp;propos…</translation>
    </message>
    <message>
        <source>About %1 …</source>
        <translation>À propos de %1…</translation>
    </message>
    <message>
        <source>&amp;Quick Troubleshoot…</source>
        <translation>&amp;Dépannage rapide…</translation>
    </message>
    <message>
        <source>Quick Troubleshoot %1 …</source>
        <translation>Dépannage rapide de %1…</translation>
    </message>
    <message>
        <source>Training &amp;hints…</source>
        <translation>&amp;Conseils d’entraînement…</translation>
    </message>
    <message>
        <source>Easy training exercises for %1 …</source>
        <translation>Exercices faciles avec %1…</translation>
    </message>
    <message>
        <source>%1 Handbook…</source>
        <translation>Manuel de %1…</translation>
    </message>
    <message>
        <source> Access the complete manual for %1</source>
        <translation> Ouvrir le manuel complet de %1</translation>
    </message>
    <message>
        <source>Show &amp;Tooltips</source>
        <translation>Afficher les &amp;infobulles</translation>
    </message>
    <message>
        <source>Toggle balloon help</source>
        <translation>Afficher ou masquer les infobulles</translation>
    </message>
    <message>
        <source>Display or inhibit help in balloons for current session only</source>
        <translation>Afficher ou masquer les infobulles pour cette session seulement</translation>
    </message>
    <message>
        <source>Exit %1</source>
        <translation>Quitter %1</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>Quitter %1</translation>
    </message>
    <message>
        <source>Welcome to %1</source>
        <translation>Bienvenue dans %1</translation>
    </message>
    <message>
        <source>Keyboard input hints</source>
        <translation>Claviers d’entrée</translation>
    </message>
    <message>
        <source>Scheduled outputs</source>
        <translation>Sorties programmées</translation>
    </message>
    <message>
        <source>Open a MIDI file with File&gt;&gt;Open… (Ctrl+O), or try a song from the Demo menu.</source>
        <translation>Ouvrez un fichier MIDI avec Fichier&gt;&gt;Ouvrir… (Ctrl+O), ou essayez un morceau du menu Démo.</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>Standard operations</source>
        <translation>Opérations courantes</translation>
    </message>
    <message>
        <source>Pianoroll navigation</source>
        <translation>Navigation dans le défilement des notes</translation>
    </message>
    <message>
        <source>Lyrics</source>
        <translation>Paroles</translation>
    </message>
    <message>
        <source>Trying codec %1</source>
        <translation>Essai du codage %1</translation>
    </message>
    <message>
        <source>&amp;Take analysis…</source>
        <translation>Anal&amp;yse de la prise…</translation>
    </message>
    <message>
        <source>How early or late you played the last kept take</source>
        <translation>Votre avance ou votre retard dans la dernière prise gardée</translation>
    </message>
    <message>
        <source>Plot how early or late each cluster of the last kept take was played, with its worst measures</source>
        <translation>Trace l&apos;avance ou le retard de chaque groupe de notes de la dernière prise gardée, avec ses pires mesures</translation>
    </message>
    <message>
        <source>Tick %1 for the tracks you do not want to hear.</source>
        <translation>Cochez %1 pour les pistes que vous ne voulez pas entendre.</translation>
    </message>
    <message>
        <source>%1 leaves the key repeat alone: it skips the repeats of a held key itself. When another program switched the repeat off, switch it on again:</source>
        <translation>%1 ne touche pas à la répétition des touches&#xa0;: il ignore lui-même les répétitions d’une touche tenue. Si un autre programme a coupé la répétition, rétablissez-la&#xa0;:</translation>
    </message>
    <message>
        <source>Until you save, close the song with %1 (Ctrl+F4), answer No when asked to save it, and open it again: it comes back as the file holds it.</source>
        <translation>Tant que vous n’avez pas enregistré, fermez le morceau avec %1 (Ctrl+F4), répondez Non quand on vous propose de l’enregistrer, puis rouvrez-le&#xa0;: il revient tel que le fichier le contient.</translation>
    </message>
    <message>
        <source>MIDI output %1 has gone.</source>
        <translation>La sortie MIDI %1 a disparu.</translation>
    </message>
    <message>
        <source>MIDI input %1 has gone.</source>
        <translation>L&apos;entrée MIDI %1 a disparu.</translation>
    </message>
    <message>
        <source>%1 plays through its built-in synthesizer when no other is chosen. It needs a General MIDI sound font; the status bar says when there is none:</source>
        <translation>%1 joue par son synthétiseur intégré quand aucun autre n’est choisi. Il lui faut une banque de sons General MIDI ; la barre d’état le dit quand il n’y en a pas :</translation>
    </message>
    <message>
        <source>In %1, tab %2, check that it runs and press %3; choose another audio driver or device there if the chord is not heard.</source>
        <translation>Dans %1, onglet %2, vérifiez qu’il tourne et appuyez sur %3 ; choisissez-y un autre pilote ou périphérique audio si l’accord ne s’entend pas.</translation>
    </message>
    <message>
        <source>Synthesizer</source>
        <translation>Synthétiseur</translation>
    </message>
    <message>
        <source>&amp;Test sound</source>
        <translation>&amp;Essayer le son</translation>
    </message>
    <message>
        <source>It must be the output of the tracks: choose its port in tab %1, or for one track in the track dialog. It is listed there as soon as it has started.</source>
        <translation>Il doit être la sortie des pistes&#xa0;: choisissez son port dans l’onglet %1, ou pour une seule piste dans la fenêtre de la piste. Il y apparaît dès qu’il a démarré.</translation>
    </message>
    <message>
        <source>Plug it in or switch it on: it appears by itself, also while a song is open. Switched off and on during a song, it carries on with its settings, zones and tracks, found again by its client and port name. It must be listed by:</source>
        <translation>Branchez-le ou allumez-le&#xa0;: il apparaît de lui-même, même pendant un morceau. Éteint puis rallumé pendant un morceau, il reprend avec ses réglages, ses zones et ses pistes, retrouvé par le nom de son client et de son port. Il doit apparaître dans&#xa0;:</translation>
    </message>
    <message>
        <source>With a MIDI expander or another synthesizer, choose its port as the output in %1, tab %2: it is listed there as soon as it is plugged in or started.</source>
        <translation>Avec un expandeur MIDI ou un autre synthétiseur, choisissez son port comme sortie dans %1, onglet %2&#xa0;: il y apparaît dès qu’il est branché ou lancé.</translation>
    </message>
    <message>
        <source>MIDI output %1 is back.</source>
        <translation>La sortie MIDI %1 est de retour.</translation>
    </message>
    <message>
        <source>MIDI input %1 is back.</source>
        <translation>L&apos;entrée MIDI %1 est de retour.</translation>
    </message>
    <message>
        <source>Split by &amp;hand…</source>
        <translation>Séparer les &amp;mains…</translation>
    </message>
    <message>
        <source>Split the selected bound track into its two hands</source>
        <translation>Séparer la piste liée sélectionnée en ses deux mains</translation>
    </message>
    <message>
        <source>Split the selected bound track into a right-hand and a left-hand track</source>
        <translation>Séparer la piste liée sélectionnée en une piste pour la main droite et une pour la main gauche</translation>
    </message>
    <message>
        <source>&amp;Practice history…</source>
        <translation>&amp;Historique d’entraînement…</translation>
    </message>
    <message>
        <source>The practice history of this song</source>
        <translation>L’historique d’entraînement de ce morceau</translation>
    </message>
    <message>
        <source>Plot every practice session of this song and how well each measure is mastered</source>
        <translation>Trace chaque séance d’entraînement de ce morceau et la maîtrise de chaque mesure</translation>
    </message>
    <message>
        <source>Practise the wea&amp;kest</source>
        <translation>&amp;Travailler les plus faibles</translation>
    </message>
    <message>
        <source>Loop the measures you play worst</source>
        <translation>Mettre en boucle les mesures que vous jouez le moins bien</translation>
    </message>
    <message>
        <source>Loop the least mastered measures, the tempo stepping up from where they were last played well</source>
        <translation>Mettre en boucle les mesures les moins maîtrisées, le tempo accélérant à partir de celui où elles ont été bien jouées la dernière fois</translation>
    </message>
</context>
<context>
    <name>TrackDB</name>
    <message>
        <source>Input/output</source>
        <translation>Entrée/sortie</translation>
    </message>
    <message>
        <source>Adjust</source>
        <translation>Réglages</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Infos</translation>
    </message>
    <message>
        <source>Configure free drum track %1</source>
        <translation>Configurer la piste libre de batterie %1</translation>
    </message>
    <message>
        <source>Configure free track %1</source>
        <translation>Configurer la piste libre %1</translation>
    </message>
    <message>
        <source>Configure drum track %1</source>
        <translation>Configurer la piste de batterie %1</translation>
    </message>
    <message>
        <source>Configure bound track %1</source>
        <translation>Configurer la piste liée %1</translation>
    </message>
</context>
<context>
    <name>TrackEditing</name>
    <message>
        <source>Only free tracks containing note events may be bound.</source>
        <translation>Seules les pistes libres qui contiennent des notes peuvent être liées.</translation>
    </message>
    <message>
        <source>At least one free track to bind must be selected.</source>
        <translation>Sélectionnez au moins une piste libre à lier.</translation>
    </message>
    <message>
        <source>You must select at least one bound track.</source>
        <translation>Sélectionnez au moins une piste liée.</translation>
    </message>
    <message>
        <source>Are you sure you want to merge the %1 selected bound tracks into track #%2?</source>
        <translation>Voulez-vous vraiment fusionner les %1 pistes liées sélectionnées dans la piste n°&#xa0;%2&#xa0;?</translation>
    </message>
    <message>
        <source>Two bound track must be selected to apply merging.</source>
        <translation>Sélectionnez deux pistes liées pour les fusionner.</translation>
    </message>
    <message>
        <source>Are you sure you want to delete the selected bound tracks?</source>
        <translation>Voulez-vous vraiment supprimer les pistes liées sélectionnées&#xa0;?</translation>
    </message>
</context>
<context>
    <name>TrackMidiTab</name>
    <message>
        <source>Select the input client/port for free track %1. Keys are free if not bound in interactive tracks.</source>
        <translation>Choisissez le client/port d’entrée de la piste libre %1. Les touches qui ne servent à aucune piste interactive jouent librement.</translation>
    </message>
    <message>
        <source>Select the input client/port for track %1.</source>
        <translation>Choisissez le client/port d’entrée de la piste %1.</translation>
    </message>
    <message>
        <source>&amp;Input client/port</source>
        <translation>Client/port d’&amp;entrée</translation>
    </message>
    <message>
        <source>Select the output client/port for track %1.</source>
        <translation>Choisissez le client/port de sortie de la piste %1.</translation>
    </message>
    <message>
        <source>&amp;Output client/port</source>
        <translation>Client/port de &amp;sortie</translation>
    </message>
    <message>
        <source>Bound &amp;zone for track</source>
        <translation>&amp;Zone de jeu de la piste</translation>
    </message>
    <message>
        <source>Select zone for bound KB interaction with this track (must be enabled in Devices setup).</source>
        <translation>Choisissez la zone du clavier qui joue cette piste (le partage du clavier doit être activé dans Périphériques).</translation>
    </message>
    <message>
        <source>&amp;Number keys</source>
        <translation>Touches des &amp;chiffres</translation>
    </message>
    <message>
        <source>&amp;Letter keys</source>
        <translation>Touches des &amp;lettres</translation>
    </message>
    <message>
        <source>&amp;Function keys</source>
        <translation>Touches de &amp;fonction</translation>
    </message>
    <message>
        <source>Low end</source>
        <translation>Zone grave</translation>
    </message>
    <message>
        <source>Central zone</source>
        <translation>Zone centrale</translation>
    </message>
    <message>
        <source>High end</source>
        <translation>Zone aiguë</translation>
    </message>
</context>
<context>
    <name>TuneTab</name>
    <message>
        <source>default</source>
        <translation>par défaut</translation>
    </message>
    <message>
        <source>Modify MIDI output channel.</source>
        <translation>Changer le canal MIDI de sortie.</translation>
    </message>
    <message>
        <source>Remap &amp;Channels</source>
        <translation>Réaffecter les &amp;canaux</translation>
    </message>
    <message>
        <source>Snap track volume up or down</source>
        <translation>Monter ou baisser le volume de la piste</translation>
    </message>
    <message>
        <source>&amp;Volume shift</source>
        <translation>Décalage de &amp;volume</translation>
    </message>
    <message>
        <source>Transposition for track in +/- halftones</source>
        <translation>Transposition de la piste en demi-tons (+/-)</translation>
    </message>
    <message>
        <source>&amp;Transpose</source>
        <translation>&amp;Transposer</translation>
    </message>
    <message>
        <source>Apply transpose to &amp;all </source>
        <translation>Appliquer à t&amp;outes les pistes </translation>
    </message>
    <message>
        <source>If checked, transpose changes are applied to all tracks in song (except drums on channel 10).</source>
        <translation>Si coché, la transposition s’applique à toutes les pistes du morceau (sauf la batterie, sur le canal 10).</translation>
    </message>
    <message>
        <source>Replacement patch for track</source>
        <translation>Son (programme) de remplacement pour la piste</translation>
    </message>
    <message>
        <source>&amp;Patch</source>
        <translation>&amp;Programme</translation>
    </message>
</context>
<context>
    <name>UPiano</name>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Output keyboard in bilinear format&lt;br&gt;Small dots indicate C&apos;s &lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Clavier de sortie en disposition bilinéaire&lt;br&gt;Les petits points marquent les do &lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Input keyboard in bilinear format&lt;br&gt;Shows notes that you must play simultaneously. &lt;br&gt;Small dots indicate C&apos;s.&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Clavier d’entrée en disposition bilinéaire&lt;br&gt;Montre les notes à jouer ensemble. &lt;br&gt;Les petits points marquent les do.&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Input keyboard in bilinear format&lt;br&gt;Shows notes you triggered by a single keystroke.&lt;br&gt;Small dots indicate C&apos;s.&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Clavier d’entrée en disposition bilinéaire&lt;br&gt;Montre les notes qu’une seule frappe a fait sonner.&lt;br&gt;Les petits points marquent les do.&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
    <message>
        <source>&lt;qt&gt;&lt;nobr&gt;Sum of scheduled (non interactive) outputs on Bilinear keyboard&lt;/nobr&gt;&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;nobr&gt;Toutes les sorties programmées (non interactives) sur le clavier bilinéaire&lt;/nobr&gt;&lt;/qt&gt;</translation>
    </message>
</context>
<context>
    <name>VPiano</name>
    <message>
        <source>Set key %1 (%2) as first in central zone</source>
        <translation>Faire de la touche %1 (%2) la première de la zone centrale</translation>
    </message>
    <message>
        <source>Set key %1 (%2) as first in high zone</source>
        <translation>Faire de la touche %1 (%2) la première de la zone aiguë</translation>
    </message>
    <message>
        <source>No input device associated with this virtual input keyboard,doing nothing.</source>
        <translation>Aucun périphérique d’entrée n’est associé à ce clavier virtuel, rien n’est fait.</translation>
    </message>
    <message>
        <source>The first key of central zone cannot be higher than the first key in high zone.</source>
        <translation>La première touche de la zone centrale ne peut pas être plus haute que la première de la zone aiguë.</translation>
    </message>
    <message>
        <source>New value is same as old. Not changing the first key of central zone.</source>
        <translation>La nouvelle valeur est l’ancienne&#xa0;: la première touche de la zone centrale reste la même.</translation>
    </message>
    <message>
        <source>Are you sure you want to dismiss the central zone?</source>
        <translation>Voulez-vous vraiment supprimer la zone centrale&#xa0;?</translation>
    </message>
    <message>
        <source>First key of central zone set to %1.</source>
        <translation>Première touche de la zone centrale&#xa0;: %1.</translation>
    </message>
    <message>
        <source>First key of central zone unchanged.</source>
        <translation>Première touche de la zone centrale inchangée.</translation>
    </message>
    <message>
        <source>First key of central zone updated.</source>
        <translation>Première touche de la zone centrale mise à jour.</translation>
    </message>
    <message>
        <source>No input device associated with this virtual input keyboard, doing nothing.</source>
        <translation>Aucun périphérique d’entrée n’est associé à ce clavier virtuel, rien n’est fait.</translation>
    </message>
    <message>
        <source>The first key of high end zone cannot be lower than the first key in central zone.</source>
        <translation>La première touche de la zone aiguë ne peut pas être plus basse que la première de la zone centrale.</translation>
    </message>
    <message>
        <source>New value is same as old. Not changing the first key of high end zone.</source>
        <translation>La nouvelle valeur est l’ancienne&#xa0;: la première touche de la zone aiguë reste la même.</translation>
    </message>
    <message>
        <source>First key of high end zone set to %1.</source>
        <translation>Première touche de la zone aiguë&#xa0;: %1.</translation>
    </message>
    <message>
        <source>First key of high end zone unchanged.</source>
        <translation>Première touche de la zone aiguë inchangée.</translation>
    </message>
    <message>
        <source>First key of high end zone updated.</source>
        <translation>Première touche de la zone aiguë mise à jour.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Usage: %1 [ midifile ] %2</source>
        <translation>Usage&#xa0;: %1 [ fichier_midi ] %2</translation>
    </message>
    <message>
        <source> %1 is a piano playing and learning assistant %2</source>
        <translation> %1 vous aide à jouer et à apprendre le piano %2</translation>
    </message>
    <message>
        <source>Could not find %1 translation file for locale %2</source>
        <translation>Fichier de traduction %1 introuvable pour la langue %2</translation>
    </message>
</context>
<context>
    <name>main, GUI thread</name>
    <message>
        <source>A segmentation error occurred (SIGSEGV), the program must terminate</source>
        <translation>Une erreur de segmentation s’est produite (SIGSEGV), le programme doit s’arrêter</translation>
    </message>
    <message>
        <source>An abort condition occurred (SIGABRT), the program must terminate</source>
        <translation>Un abandon s’est produit (SIGABRT), le programme doit s’arrêter</translation>
    </message>
    <message>
        <source>A user keyboard interruption occurred (SIGINT), the program will terminate</source>
        <translation>Interruption au clavier par l’utilisateur (SIGINT), le programme va s’arrêter</translation>
    </message>
    <message>
        <source>A floating point exception occurred (SIGFPE), the program will terminate</source>
        <translation>Une erreur de calcul en virgule flottante s’est produite (SIGFPE), le programme va s’arrêter</translation>
    </message>
    <message>
        <source>Clavion received a termination signal (SIGTERM).</source>
        <translation>Clavion a reçu un signal d’arrêt (SIGTERM).</translation>
    </message>
</context>
<context>
    <name>midithread</name>
    <message>
        <source>MIDI input %1:%2 could not be connected.</source>
        <translation>L’entrée MIDI %1:%2 n’a pas pu être connectée.</translation>
    </message>
    <message>
        <source>MIDI output %1:%2 could not be connected.</source>
        <translation>La sortie MIDI %1:%2 n’a pas pu être connectée.</translation>
    </message>
    <message>
        <source>Error opening ALSA sequencer: %1</source>
        <translation>Erreur à l’ouverture du séquenceur ALSA&#xa0;: %1</translation>
    </message>
    <message>
        <source>Error opening ALSA sequencer: %1.</source>
        <translation>Erreur à l’ouverture du séquenceur ALSA&#xa0;: %1.</translation>
    </message>
    <message>
        <source>Error setting client name: %1.</source>
        <translation>Erreur en nommant le client&#xa0;: %1.</translation>
    </message>
    <message>
        <source>Error creating sequencer output port: %1.</source>
        <translation>Erreur en créant le port de sortie du séquenceur&#xa0;: %1.</translation>
    </message>
    <message>
        <source>Error creating sequencer input port: %1.</source>
        <translation>Erreur en créant le port d’entrée du séquenceur&#xa0;: %1.</translation>
    </message>
    <message>
        <source>No input ports. Check &quot;Devices setup&quot; and retry</source>
        <translation>Aucun port d’entrée. Vérifiez «&#xa0;Périphériques&#xa0;» et réessayez</translation>
    </message>
    <message>
        <source>MIDI input unavailable, please stop playing and try again.</source>
        <translation>Entrée MIDI indisponible&#xa0;: arrêtez la lecture et réessayez.</translation>
    </message>
    <message>
        <source>Error connecting to input %1:%2 : %3.</source>
        <translation>Erreur de connexion à l’entrée %1:%2&#xa0;: %3.</translation>
    </message>
    <message>
        <source>MIDI input not found.</source>
        <translation>Entrée MIDI introuvable.</translation>
    </message>
    <message>
        <source>Error disconnecting from input %1:%2 : %3.</source>
        <translation>Erreur de déconnexion de l’entrée %1:%2&#xa0;: %3.</translation>
    </message>
    <message>
        <source>No output ports. Check &quot;Devices setup&quot; and reload song</source>
        <translation>Aucun port de sortie. Vérifiez «&#xa0;Périphériques&#xa0;» et rechargez le morceau</translation>
    </message>
    <message>
        <source>MIDI output unavailable, please stop playing and try again.</source>
        <translation>Sortie MIDI indisponible&#xa0;: arrêtez la lecture et réessayez.</translation>
    </message>
    <message>
        <source>Error connecting to output %1:%2 : %3.</source>
        <translation>Erreur de connexion à la sortie %1:%2&#xa0;: %3.</translation>
    </message>
    <message>
        <source>MIDI output not found.</source>
        <translation>Sortie MIDI introuvable.</translation>
    </message>
    <message>
        <source>Error disconnecting from output %1:%2 : %3.</source>
        <translation>Erreur de déconnexion de la sortie %1:%2&#xa0;: %3.</translation>
    </message>
    <message>
        <source>MIDI input %1:%2 plays back what the song sends to it: it is not listened to while it is an output.</source>
        <translation>L’entrée MIDI %1:%2 renvoie ce que le morceau lui envoie&#xa0;: elle n’est pas écoutée tant qu’elle sert de sortie.</translation>
    </message>
</context>
<context>
    <name>playdialog</name>
    <message>
        <source>Quick settings</source>
        <translation>Réglages rapides</translation>
    </message>
    <message>
        <source>Rewind song (CTRL+HOME)</source>
        <translation>Revenir au début (CTRL+DÉBUT)</translation>
    </message>
    <message>
        <source>Pause song (CTRL+F2)</source>
        <translation>Pause (CTRL+F2)</translation>
    </message>
    <message>
        <source>Start recording (CTRL+SHIFT+Space)</source>
        <translation>Enregistrer (CTRL+MAJ+Espace)</translation>
    </message>
    <message>
        <source>Start listening (CTRL+Space)</source>
        <translation>Écouter (CTRL+Espace)</translation>
    </message>
    <message>
        <source>Deck</source>
        <translation>Lecteur</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêt</translation>
    </message>
    <message>
        <source>Listen</source>
        <translation>Écouter</translation>
    </message>
    <message>
        <source>Stop listening (CTRL+Space)</source>
        <translation>Arrêter l’écoute (CTRL+Espace)</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Stop recording (CTRL+SHIFT+Space)</source>
        <translation>Arrêter l’enregistrement (CTRL+MAJ+Espace)</translation>
    </message>
    <message>
        <source>Shutting down the recording session.</source>
        <translation>Fin de la session d’enregistrement.</translation>
    </message>
    <message>
        <source>Shutting down the playing session.</source>
        <translation>Fin de la session de lecture.</translation>
    </message>
    <message>
        <source>Could not stop record thread.</source>
        <translation>Impossible d’arrêter l’enregistrement.</translation>
    </message>
    <message>
        <source>Could not stop listen thread.</source>
        <translation>Impossible d’arrêter la lecture.</translation>
    </message>
    <message>
        <source>Song data</source>
        <translation>Données du morceau</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Time signature&lt;/b&gt; %1 / %2&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Mesure&lt;/b&gt; %1 / %2&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Mode&lt;/b&gt; %1&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Tonalité&lt;/b&gt; %1&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;MIDI file of type&lt;/b&gt; %1&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Fichier MIDI de type&lt;/b&gt; %1&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;%1 tracks with note events&lt;/b&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;%1 pistes avec des notes&lt;/b&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;%1 tracks total&lt;/b&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;%1 pistes en tout&lt;/b&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Min. &amp;gap [ms]</source>
        <translation>Éca&amp;rt [ms]</translation>
    </message>
    <message>
        <source>Select the max time gap for successive notes to be played in one keystroke.</source>
        <translation>Écart maximal entre deux notes successives pour qu’une seule frappe les joue ensemble.</translation>
    </message>
    <message>
        <source>Tempo [bpm]</source>
        <translation>Tempo [bpm]</translation>
    </message>
    <message>
        <source>Actual tempo in beats per minute</source>
        <translation>Tempo actuel en battements par minute</translation>
    </message>
    <message>
        <source>Tempo b&amp;oost [%]</source>
        <translation>&amp;Vitesse [%]</translation>
    </message>
    <message>
        <source>Modify file&apos;s tempos by a factor (CTRL+△/▽ or CTRL+Mouse wheel)</source>
        <translation>Multiplie les tempos du fichier (CTRL+△/▽ ou CTRL+molette)</translation>
    </message>
    <message>
        <source>&amp;Faster</source>
        <translation>Plus &amp;vite</translation>
    </message>
    <message>
        <source>&amp;Slower</source>
        <translation>Plus &amp;lent</translation>
    </message>
    <message>
        <source>&amp;Zoom</source>
        <translation>&amp;Zoom</translation>
    </message>
    <message>
        <source>Higher values provide more space between notes display (CTRL+◁/CTRL+▷)</source>
        <translation>Plus la valeur est haute, plus les notes sont espacées à l’écran (CTRL+◁/CTRL+▷)</translation>
    </message>
    <message>
        <source>&amp;Wider</source>
        <translation>Plus &amp;large</translation>
    </message>
    <message>
        <source>&amp;Narrower</source>
        <translation>Plus é&amp;troit</translation>
    </message>
    <message>
        <source>&amp;Rec</source>
        <translation>&amp;Enr.</translation>
    </message>
    <message>
        <source>Check to run metronome while recording.</source>
        <translation>Cocher pour entendre le métronome pendant l’enregistrement.</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>Lec&amp;t.</translation>
    </message>
    <message>
        <source>Check to run metronome while playing.</source>
        <translation>Cocher pour entendre le métronome pendant la lecture.</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>T&amp;outes</translation>
    </message>
    <message>
        <source>Check to display non currently interactive tracks.</source>
        <translation>Cocher pour afficher aussi les pistes qui ne sont pas jouées au clavier.</translation>
    </message>
    <message>
        <source>Ske&amp;ws</source>
        <translation>Su&amp;ivre</translation>
    </message>
    <message>
        <source>Check to allow adaptation to tempo changes from authorised instrument/zone.</source>
        <translation>Cocher pour que l’accompagnement suive le tempo de l’instrument ou de la zone autorisés.</translation>
    </message>
    <message>
        <source>Beat</source>
        <translation>Temps</translation>
    </message>
    <message>
        <source>Current measure/beat</source>
        <translation>Mesure et temps en cours</translation>
    </message>
    <message>
        <source>Do you want to keep the take?</source>
        <translation>Voulez-vous garder cette prise&#xa0;?</translation>
    </message>
    <message>
        <source>&amp;Loop</source>
        <translation>&amp;Boucle</translation>
    </message>
    <message>
        <source>Check to play the marked measures over and over while listening (CTRL+[ and CTRL+] mark them at the current position). A recording ignores the loop.</source>
        <translation>Cocher pour rejouer sans fin les mesures marquées pendant l’écoute (CTRL+[ et CTRL+] les marquent à la position en cours). Un enregistrement ignore la boucle.</translation>
    </message>
    <message>
        <source>Step &amp;up</source>
        <translation>Pro&amp;gressif</translation>
    </message>
    <message>
        <source>Check to play the loop faster at each pass, from the first pass&apos;s tempo boost up to the one set in Tempo boost.</source>
        <translation>Cocher pour jouer la boucle plus vite à chaque passage, de la vitesse du premier passage jusqu’à celle réglée dans Vitesse.</translation>
    </message>
    <message>
        <source>Tempo boost of the loop&apos;s first pass</source>
        <translation>Vitesse du premier passage de la boucle</translation>
    </message>
    <message>
        <source>Added to the tempo boost at each pass</source>
        <translation>Ajouté à la vitesse à chaque passage</translation>
    </message>
    <message>
        <source>Set loop start here</source>
        <translation>Début de la boucle ici</translation>
    </message>
    <message>
        <source>Set loop end here</source>
        <translation>Fin de la boucle ici</translation>
    </message>
    <message>
        <source>Clear loop</source>
        <translation>Effacer la boucle</translation>
    </message>
    <message>
        <source>The loop&apos;s end must come after its start. The loop starts at measure %1; the end asked for is at measure %2.</source>
        <translation>La fin de la boucle doit venir après son début. La boucle commence à la mesure %1&#xa0;; la fin demandée est à la mesure %2.</translation>
    </message>
    <message>
        <source>The loop&apos;s start must come before its end. The loop ends at measure %1; the start asked for is at measure %2.</source>
        <translation>Le début de la boucle doit venir avant sa fin. La boucle finit à la mesure %1&#xa0;; le début demandé est à la mesure %2.</translation>
    </message>
</context>
</TS>
