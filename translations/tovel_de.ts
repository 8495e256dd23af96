<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ActionNotice</name>
    <message>
        <source>Copy path</source>
        <translation>Pfad kopieren</translation>
    </message>
    <message>
        <source>Copy address</source>
        <translation>Adresse kopieren</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
</context>
<context>
    <name>AppearancePane</name>
    <message>
        <source>Appearance</source>
        <translation>Aussehen</translation>
    </message>
    <message>
        <source>Make it yours.</source>
        <translation>Machen Sie es sich zu eigen.</translation>
    </message>
    <message>
        <source>Icon, background, and interface are three separate choices.</source>
        <translation>Symbol, Hintergrund und Oberfläche wählen Sie jeweils für sich.</translation>
    </message>
    <message>
        <source>App Icon</source>
        <translation>App-Symbol</translation>
    </message>
    <message>
        <source>Window Background</source>
        <translation>Fensterhintergrund</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>Oberfläche</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>System follows your desktop. Dark and Light override it.</source>
        <translation>System folgt Ihrer Arbeitsumgebung. Dunkel und Hell setzen sich darüber hinweg.</translation>
    </message>
</context>
<context>
    <name>CardHeader</name>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>ChooseDialog</name>
    <message>
        <source>Choose what to gather</source>
        <translation>Auswählen, was gesammelt wird</translation>
    </message>
    <message>
        <source>Reading %1…</source>
        <translation>%1 wird gelesen …</translation>
    </message>
    <message>
        <source>%1 of %2 checked</source>
        <translation>%1 von %2 ausgewählt</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Check all items</source>
        <translation>Alle Einträge auswählen</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Check no item</source>
        <translation>Keinen Eintrag auswählen</translation>
    </message>
    <message>
        <source>Newest %1</source>
        <translation>Neueste %1</translation>
    </message>
    <message>
        <source>Check only the newest %1</source>
        <translation>Nur die neuesten %1 auswählen</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Einträge</translation>
    </message>
    <message>
        <source>saved before</source>
        <translation>schon gespeichert</translation>
    </message>
    <message>
        <source>Saved before</source>
        <translation>Schon gespeichert</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancel choosing</source>
        <translation>Auswahl abbrechen</translation>
    </message>
    <message>
        <source>Gather %1</source>
        <translation>%1 sammeln</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Unknown option %1. To give an input that begins with a dash, put -- before it.</source>
        <translation>Unbekannte Option %1. Um eine Eingabe anzugeben, die mit einem Bindestrich beginnt, setzen Sie -- davor.</translation>
    </message>
    <message>
        <source>Unknown option --%1.</source>
        <translation>Unbekannte Option --%1.</translation>
    </message>
    <message>
        <source>--%1 needs a value.</source>
        <translation>--%1 braucht einen Wert.</translation>
    </message>
    <message>
        <source>--%1 takes no value.</source>
        <translation>--%1 nimmt keinen Wert.</translation>
    </message>
    <message>
        <source>Queued</source>
        <translation>Eingereiht</translation>
    </message>
    <message>
        <source>Retrying (try %1 of %2)</source>
        <translation>Neuer Versuch (%1 von %2)</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>In %1 gespeichert</translation>
    </message>
    <message>
        <source>      … and %1 more
</source>
        <translation>      … und %1 weitere
</translation>
    </message>
    <message>
        <source>Unknown format &quot;%1&quot;. Choose mp3, m4a, wav, flac or mp4.
</source>
        <translation>Unbekanntes Format „%1“. Wählen Sie mp3, m4a, wav, flac oder mp4.
</translation>
    </message>
    <message>
        <source>Unknown quality &quot;%1&quot;. Choose best, 320, 192 or 128.
</source>
        <translation>Unbekannte Qualität „%1“. Wählen Sie best, 320, 192 oder 128.
</translation>
    </message>
    <message>
        <source>--limit takes a whole number of items, 0 or more.
</source>
        <translation>--limit nimmt eine ganze Zahl von Einträgen, 0 oder mehr.
</translation>
    </message>
    <message>
        <source>--to needs a folder to save into.
</source>
        <translation>--to braucht einen Ordner, in den gespeichert wird.
</translation>
    </message>
    <message>
        <source>%1 is a file, not a folder to save into.
</source>
        <translation>%1 ist eine Datei, kein Ordner zum Speichern.
</translation>
    </message>
    <message>
        <source>%1 of %2 saved to %3</source>
        <translation>%1 von %2 in %3 gespeichert</translation>
    </message>
    <message>
        <source>, %1 already saved</source>
        <translation>, %1 bereits gespeichert</translation>
    </message>
    <message>
        <source>, %1 failed</source>
        <translation>, %1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>, %1 stopped</source>
        <translation>, %1 gestoppt</translation>
    </message>
    <message>
        <source>Source: </source>
        <translation>Quelle: </translation>
    </message>
    <message>
        <source>no answer from the update site</source>
        <translation>keine Antwort von der Update-Seite</translation>
    </message>
    <message>
        <source>the notice is not signed by our key</source>
        <translation>die Mitteilung ist nicht mit unserem Schlüssel signiert</translation>
    </message>
    <message>
        <source>no newer build</source>
        <translation>keine neuere Version</translation>
    </message>
    <message>
        <source>Installed: Tovel %1 (build %2)
</source>
        <translation>Installiert: Tovel %1 (Build %2)
</translation>
    </message>
    <message>
        <source>Available: Tovel %1 (build %2)
  %3
  %4
</source>
        <translation>Verfügbar: Tovel %1 (Build %2)
  %3
  %4
</translation>
    </message>
    <message>
        <source>No update: %1.
</source>
        <translation>Keine Aktualisierung: %1.
</translation>
    </message>
    <message numerus="yes">
        <source>Deleted %n crash report(s).
</source>
        <translation>
            <numerusform>%n Absturzbericht gelöscht.
</numerusform>
            <numerusform>%n Absturzberichte gelöscht.
</numerusform>
        </translation>
    </message>
    <message>
        <source>No crash reports. Any that occur are written to this computer only — nothing is ever sent.
</source>
        <translation>Keine Absturzberichte. Entstehende Berichte werden nur auf diesem Rechner gespeichert – nichts wird je gesendet.
</translation>
    </message>
    <message numerus="yes">
        <source>%n crash report(s) on this computer. Nothing has been sent anywhere.
</source>
        <translation>
            <numerusform>%n Absturzbericht auf diesem Rechner. Nichts wurde irgendwohin gesendet.
</numerusform>
            <numerusform>%n Absturzberichte auf diesem Rechner. Nichts wurde irgendwohin gesendet.
</numerusform>
        </translation>
    </message>
    <message>
        <source>ffmpeg:             %1
</source>
        <translation>ffmpeg:             %1
</translation>
    </message>
    <message>
        <source>  from:             %1
</source>
        <translation>  Herkunft:         %1
</translation>
    </message>
    <message>
        <source>Bundled</source>
        <translation>Mitgeliefert</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>  licence:          %1
</source>
        <translation>  Lizenz:           %1
</translation>
    </message>
    <message>
        <source>ffmpeg:             not found
</source>
        <translation>ffmpeg:             nicht gefunden
</translation>
    </message>
    <message>
        <source>web engine:         %1
</source>
        <translation>Web-Engine:         %1
</translation>
    </message>
    <message>
        <source>on</source>
        <translation>an</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>  yt-dlp:           %1
</source>
        <translation>  yt-dlp:           %1
</translation>
    </message>
    <message>
        <source>  version:          %1
</source>
        <translation>  Version:          %1
</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>nicht gefunden</translation>
    </message>
    <message>
        <source> (not executable)</source>
        <translation> (nicht ausführbar)</translation>
    </message>
    <message>
        <source>  JavaScript:       %1
</source>
        <translation>  JavaScript:       %1
</translation>
    </message>
    <message>
        <source>Tovel %1 (build %2)
</source>
        <translation>Tovel %1 (Build %2)
</translation>
    </message>
    <message>
        <source>Unknown command &quot;%1&quot;.

</source>
        <translation>Unbekannter Befehl „%1“.

</translation>
    </message>
    <message>
        <source>
See tovel --help.
</source>
        <translation>
Siehe tovel --help.
</translation>
    </message>
    <message>
        <source>Give exactly one input: a feed, a media link, an archive item, a file or a folder.
See tovel --help.
</source>
        <translation>Geben Sie genau eine Eingabe an: einen Feed, einen Medien-Link, einen Archiv-Eintrag, eine Datei oder einen Ordner.
Siehe tovel --help.
</translation>
    </message>
    <message>
        <source>%1 takes no input.
</source>
        <translation>%1 nimmt keine Eingabe.
</translation>
    </message>
    <message>
        <source>--loudness takes a target from -40 to -5 LUFS, such as -16 or -14.
</source>
        <translation>--loudness nimmt ein Ziel von -40 bis -5 LUFS, etwa -16 oder -14.
</translation>
    </message>
    <message>
        <source>Give at least one input: a feed, a media link, an archive item, a file or a folder.
See tovel --help.
</source>
        <translation>Geben Sie mindestens eine Eingabe an: einen Feed, einen Medien-Link, einen Archiv-Eintrag, eine Datei oder einen Ordner.
Siehe tovel --help.
</translation>
    </message>
    <message>
        <source>Usage:
  tovel                         open the window
  tovel get INPUT... [options]  gather and convert every media item behind each INPUT
  tovel list INPUT [--json]     show the items INPUT stands for, without downloading anything
  tovel hint INPUT              say what Tovel would do with INPUT
  tovel follow FEED... [--format F] [--quality Q] [--from FILE]
                                follow shows: tovel update gathers each new episode
  tovel following [--json|--opml]  list the shows followed (--opml for other podcast apps)
  tovel unfollow FEED|N...      stop following shows (by address, or number in tovel following)
  tovel update [--to DIR] [--json] [--notify]
                                gather what is new from every followed show
  tovel update --schedule on|off  check followed shows every 6 hours (a systemd user timer)
  tovel tools                   show the ffmpeg, the web engine (yt-dlp) and the JavaScript runtime
  tovel update-check [--json]   ask the product&apos;s site whether a newer build exists
  tovel crash-reports [--delete]  list (or delete) the crash reports kept on this computer
  tovel --help | --version

INPUT is a podcast feed, a link to a media file, an Internet Archive item, a Wikimedia Commons
file page, a file, a folder, or a file:// link.

Options for get:
  --format mp3|m4a|wav|flac|mp4     output format (default mp3)
  --quality best|320|192|128        bitrate for mp3 and m4a (default best); &quot;320 kbps&quot; works too
  --limit N                         gather at most N items (default 100)
  --from FILE                       gather every input FILE lists too (a line each, or OPML)
  --pick 1,3-5                      only these items, numbered as tovel list prints them
  --since YYYY-MM-DD                only items published on that day or later
  --match TEXT                      only items whose title holds TEXT
  --again                           gather items saved before too (they are otherwise skipped)
  --loudness [LUFS]                 bring every file to one loudness (default -16 LUFS), peaks at
                                    most -1 dBTP
  --shorter-silences                shorten silences longer than a second to half a second
  --to DIR                          save into DIR (default: the Downloads folder)
  --json                            print one JSON object per job change, then a summary
  --web-engine                      hand links no built-in source reads to yt-dlp, for this run only
  --web-engine-path PATH            the yt-dlp program to use for this run

--from FILE for follow reads an OPML export of another podcast app, or a feed a line. --notify
tells the desktop what arrived (the schedule&apos;s timer runs tovel update --notify).

Exit status: 0 when every job was saved, 1 when any failed or was stopped,
2 when the input could not be read or the home folder is unusable, 130 when interrupted.
</source>
        <translation>Aufruf:
  tovel                         das Fenster öffnen
  tovel get INPUT... [Optionen] jedes Medium hinter jedem INPUT sammeln und umwandeln
  tovel list INPUT [--json]     die Einträge hinter INPUT zeigen, ohne etwas herunterzuladen
  tovel hint INPUT              sagen, was Tovel mit INPUT tun würde
  tovel follow FEED... [--format F] [--quality Q] [--from FILE]
                                Sendungen folgen: tovel update sammelt jede neue Folge
  tovel following [--json|--opml]  die gefolgten Sendungen auflisten (--opml für andere Podcast-Apps)
  tovel unfollow FEED|N...      Sendungen nicht mehr folgen (nach Adresse oder Nummer in tovel following)
  tovel update [--to DIR] [--json] [--notify]
                                sammeln, was in jeder gefolgten Sendung neu ist
  tovel update --schedule on|off  gefolgte Sendungen alle 6 Stunden prüfen (ein systemd-Benutzer-Timer)
  tovel tools                   ffmpeg, die Web-Engine (yt-dlp) und die JavaScript-Laufzeit zeigen
  tovel update-check [--json]   auf der Website nachfragen, ob es eine neuere Version gibt
  tovel crash-reports [--delete]  die Absturzberichte auf diesem Rechner auflisten (oder löschen)
  tovel --help | --version

INPUT ist ein Podcast-Feed, ein Link auf eine Mediendatei, ein Internet-Archive-Eintrag, eine
Dateiseite auf Wikimedia Commons, eine Datei, ein Ordner oder ein file://-Link.

Optionen für get:
  --format mp3|m4a|wav|flac|mp4     Ausgabeformat (Standard: mp3)
  --quality best|320|192|128        Bitrate für mp3 und m4a (Standard: best); „320 kbps“ geht auch
  --limit N                         höchstens N Einträge sammeln (Standard: 100)
  --from FILE                       auch jede Eingabe sammeln, die FILE aufführt (je Zeile eine, oder OPML)
  --pick 1,3-5                      nur diese Einträge, nummeriert wie tovel list sie zeigt
  --since YYYY-MM-DD                nur Einträge, die an diesem Tag oder später erschienen sind
  --match TEXT                      nur Einträge, deren Titel TEXT enthält
  --again                           auch früher gespeicherte Einträge sammeln (sonst übersprungen)
  --loudness [LUFS]                 jede Datei auf eine Lautheit bringen (Standard: -16 LUFS), Spitzen
                                    höchstens -1 dBTP
  --shorter-silences                Pausen über einer Sekunde auf eine halbe Sekunde kürzen
  --to DIR                          in DIR speichern (Standard: der Ordner Downloads)
  --json                            pro Änderung eines Auftrags ein JSON-Objekt ausgeben, dann eine Zusammenfassung
  --web-engine                      Links, die keine eingebaute Quelle liest, an yt-dlp geben (nur für diesen Lauf)
  --web-engine-path PATH            das yt-dlp-Programm für diesen Lauf

--from FILE liest bei follow den OPML-Export einer anderen Podcast-App oder je Zeile einen Feed.
--notify meldet dem Desktop, was angekommen ist (der Timer des Zeitplans ruft tovel update --notify auf).

Exit-Status: 0, wenn jeder Auftrag gespeichert wurde, 1, wenn einer fehlschlug oder gestoppt wurde,
2, wenn die Eingabe nicht gelesen werden konnte oder der persönliche Ordner unbrauchbar ist, 130 bei Abbruch.
</translation>
    </message>
    <message>
        <source>Followed %1, not checked yet</source>
        <translation>Gefolgt seit %1, noch nicht geprüft</translation>
    </message>
    <message>
        <source>Checked %1</source>
        <translation>Geprüft %1</translation>
    </message>
    <message>
        <source>, %1 new</source>
        <translation>, %1 neu</translation>
    </message>
    <message>
        <source>, nothing new</source>
        <translation>, nichts Neues</translation>
    </message>
    <message>
        <source> (last arrival %1)</source>
        <translation> (zuletzt neu %1)</translation>
    </message>
    <message>
        <source>--schedule takes on or off.
</source>
        <translation>--schedule nimmt on oder off.
</translation>
    </message>
    <message>
        <source>Followed shows are checked every 6 hours while you are logged in.
</source>
        <translation>Gefolgte Sendungen werden alle 6 Stunden geprüft, solange Sie angemeldet sind.
</translation>
    </message>
    <message>
        <source>Followed shows are no longer checked on a schedule.
</source>
        <translation>Gefolgte Sendungen werden nicht mehr nach Zeitplan geprüft.
</translation>
    </message>
    <message>
        <source>Following %1 (%2 episodes so far). tovel update gathers each new one.
</source>
        <translation>Sie folgen %1 (bisher %2 Folgen). tovel update sammelt jede neue.
</translation>
    </message>
    <message>
        <source>You follow no shows yet. tovel follow FEED follows one.
</source>
        <translation>Sie folgen noch keiner Sendung. tovel follow FEED folgt einer.
</translation>
    </message>
    <message>
        <source>You follow no show %1. tovel following lists them.
</source>
        <translation>Sie folgen keiner Sendung %1. tovel following listet sie auf.
</translation>
    </message>
    <message>
        <source>%1 could not be unfollowed.
</source>
        <translation>%1 konnte nicht entfolgt werden.
</translation>
    </message>
    <message>
        <source>No longer following %1. Its saved episodes stay.
</source>
        <translation>Sie folgen %1 nicht mehr. Die gespeicherten Folgen bleiben.
</translation>
    </message>
    <message>
        <source>Nothing new from the 1 show you follow.</source>
        <translation>Nichts Neues von der 1 Sendung, der Sie folgen.</translation>
    </message>
    <message>
        <source>Nothing new from the %1 shows you follow.</source>
        <translation>Nichts Neues von den %1 Sendungen, denen Sie folgen.</translation>
    </message>
    <message>
        <source>Following %1 (1 episode so far). tovel update gathers each new one.
</source>
        <translation>Sie folgen %1 (bisher 1 Folge). tovel update sammelt jede neue.
</translation>
    </message>
</context>
<context>
    <name>EnginePane</name>
    <message>
        <source>Engine</source>
        <translation>Technik</translation>
    </message>
    <message>
        <source>The file chooser can&apos;t open here (%1). Type the path to yt-dlp in the field, or press Find.</source>
        <translation>Die Dateiauswahl lässt sich hier nicht öffnen (%1). Geben Sie den Pfad zu yt-dlp in das Feld ein oder klicken Sie auf „Suchen“.</translation>
    </message>
    <message>
        <source>Under the hood.</source>
        <translation>Unter der Haube.</translation>
    </message>
    <message>
        <source>What Tovel runs on.</source>
        <translation>Worauf Tovel läuft.</translation>
    </message>
    <message>
        <source>Core</source>
        <translation>Kern</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Missing</source>
        <translation>Fehlt</translation>
    </message>
    <message>
        <source>Tovel reads podcast feeds, direct media links, open archives, and local files. Those need nothing beyond the bundled converter.</source>
        <translation>Tovel liest Podcast-Feeds, direkte Medien-Links, offene Archive und lokale Dateien. Dafür braucht es nur den mitgelieferten Konverter.</translation>
    </message>
    <message>
        <source>Converter</source>
        <translation>Konverter</translation>
    </message>
    <message>
        <source>Present</source>
        <translation>Vorhanden</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Bundled</source>
        <translation>Mitgeliefert</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Licence</source>
        <translation>Lizenz</translation>
    </message>
    <message>
        <source>Web engine</source>
        <translation>Web-Engine</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>Tovel can hand other web links to yt-dlp, if you&apos;ve installed it yourself. Tovel doesn&apos;t include, download or update it. You&apos;re responsible for what you download with it.</source>
        <translation>Tovel kann andere Web-Links an yt-dlp übergeben, wenn Sie es selbst installiert haben. Tovel liefert es nicht mit, lädt es nicht herunter und aktualisiert es nicht. Sie sind dafür verantwortlich, was Sie damit herunterladen.</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>Gefunden</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>Script runtime</source>
        <translation>Skript-Laufzeit</translation>
    </message>
    <message>
        <source>Use the web engine for other links</source>
        <translation>Web-Engine für andere Links verwenden</translation>
    </message>
    <message>
        <source>yt-dlp path</source>
        <translation>Pfad zu yt-dlp</translation>
    </message>
    <message>
        <source>/path/to/yt-dlp</source>
        <translation>/pfad/zu/yt-dlp</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Aktualisierungen</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Latest</source>
        <translation>Neueste</translation>
    </message>
    <message>
        <source>Update notices are cryptographically signed. Tovel installs nothing on its own.</source>
        <translation>Update-Mitteilungen sind kryptografisch signiert. Tovel installiert nichts von selbst.</translation>
    </message>
    <message>
        <source>Check for updates automatically</source>
        <translation>Automatisch nach Aktualisierungen suchen</translation>
    </message>
    <message>
        <source>Open download page</source>
        <translation>Download-Seite öffnen</translation>
    </message>
    <message>
        <source>Diagnostics</source>
        <translation>Diagnose</translation>
    </message>
    <message>
        <source>Show reports</source>
        <translation>Berichte anzeigen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Followed shows</source>
        <translation>Gefolgte Sendungen</translation>
    </message>
    <message>
        <source>A systemd timer checks the shows you follow and gathers what is new, even while this window is closed, and tells you what arrived. Nothing runs on a schedule until you turn it on.</source>
        <translation>Ein systemd-Timer prüft die Sendungen, denen Sie folgen, sammelt das Neue – auch wenn dieses Fenster geschlossen ist – und meldet, was angekommen ist. Nach Zeitplan läuft nichts, bevor Sie es einschalten.</translation>
    </message>
    <message>
        <source>Check followed shows every 6 hours</source>
        <translation>Gefolgte Sendungen alle 6 Stunden prüfen</translation>
    </message>
</context>
<context>
    <name>FollowingPane</name>
    <message>
        <source>Following</source>
        <translation>Gefolgt</translation>
    </message>
    <message>
        <source>Shows you follow</source>
        <translation>Sendungen, denen Sie folgen</translation>
    </message>
    <message>
        <source>Each check gathers the episodes that appeared since, in the format each show was followed with.</source>
        <translation>Jede Prüfung sammelt die seither erschienenen Folgen, im Format, mit dem Sie der Sendung folgen.</translation>
    </message>
    <message>
        <source>You follow no shows yet</source>
        <translation>Sie folgen noch keiner Sendung</translation>
    </message>
    <message>
        <source>Type a podcast feed in Get and turn on Follow.</source>
        <translation>Geben Sie unter „Holen“ einen Podcast-Feed ein und schalten Sie „Folgen“ ein.</translation>
    </message>
    <message>
        <source>Followed shows</source>
        <translation>Gefolgte Sendungen</translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation>Wird geprüft …</translation>
    </message>
    <message>
        <source>Check now</source>
        <translation>Jetzt prüfen</translation>
    </message>
    <message>
        <source>Check every followed show now</source>
        <translation>Jede gefolgte Sendung jetzt prüfen</translation>
    </message>
    <message>
        <source>Unfollow</source>
        <translation>Entfolgen</translation>
    </message>
    <message>
        <source>Unfollow %1</source>
        <translation>%1 entfolgen</translation>
    </message>
    <message>
        <source>The file chooser can&apos;t open here. tovel follow --from FILE imports, tovel following --opml exports.</source>
        <translation>Die Dateiauswahl kann hier nicht öffnen. tovel follow --from FILE importiert, tovel following --opml exportiert.</translation>
    </message>
    <message>
        <source>Import…</source>
        <translation>Importieren …</translation>
    </message>
    <message>
        <source>Import shows to follow from an OPML file</source>
        <translation>Sendungen zum Folgen aus einer OPML-Datei importieren</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren …</translation>
    </message>
    <message>
        <source>Export the shows you follow as an OPML file</source>
        <translation>Die gefolgten Sendungen als OPML-Datei exportieren</translation>
    </message>
</context>
<context>
    <name>GetPane</name>
    <message>
        <source>Get</source>
        <translation>Holen</translation>
    </message>
    <message>
        <source>Gather what&apos;s scattered.</source>
        <translation>Sammeln, was verstreut ist.</translation>
    </message>
    <message>
        <source>Podcasts, media links, open archives, and files already on your computer.</source>
        <translation>Podcasts, Medien-Links, offene Archive und Dateien, die schon auf Ihrem Rechner liegen.</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Feed, media link, archive.org item, or file path</source>
        <translation>Feed, Medien-Link, archive.org-Eintrag oder Dateipfad</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>Gather</source>
        <translation>Sammeln</translation>
    </message>
    <message>
        <source>Saves to</source>
        <translation>Speichert in</translation>
    </message>
    <message>
        <source>Gathered</source>
        <translation>Gesammelt</translation>
    </message>
    <message>
        <source>Clear the source</source>
        <translation>Quelle leeren</translation>
    </message>
    <message>
        <source>Type or paste a source first.</source>
        <translation>Geben Sie zuerst eine Quelle ein oder fügen Sie eine ein.</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>Klang</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>Choose which items to gather</source>
        <translation>Auswählen, welche Einträge gesammelt werden</translation>
    </message>
    <message>
        <source>Following…</source>
        <translation>Folgen …</translation>
    </message>
    <message>
        <source>Follow this show: gather each new episode when shows are checked</source>
        <translation>Dieser Sendung folgen: jede neue Folge sammeln, wenn Sendungen geprüft werden</translation>
    </message>
    <message>
        <source>Follow this show</source>
        <translation>Dieser Sendung folgen</translation>
    </message>
    <message>
        <source>Each check of the followed shows gathers its new episodes, in these choices.</source>
        <translation>Jede Prüfung der gefolgten Sendungen sammelt ihre neuen Folgen, mit dieser Auswahl.</translation>
    </message>
</context>
<context>
    <name>JobCard</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Gather again</source>
        <translation>Erneut sammeln</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Zeigen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>A job&apos;s title and how it ended, e.g. &quot;Episode 12: Saved&quot;.</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Cancel %1</source>
        <translation>%1 abbrechen</translation>
    </message>
    <message>
        <source>Gather %1 again</source>
        <translation>%1 erneut sammeln</translation>
    </message>
    <message>
        <source>Show %1</source>
        <translation>%1 zeigen</translation>
    </message>
    <message>
        <source>Play %1</source>
        <translation>%1 abspielen</translation>
    </message>
    <message>
        <source>Sound: %1</source>
        <translation>Klang: %1</translation>
    </message>
</context>
<context>
    <name>LibraryPane</name>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Your library</source>
        <translation>Ihre Bibliothek</translation>
    </message>
    <message>
        <source>Everything Tovel has gathered, newest first.</source>
        <translation>Alles, was Tovel gesammelt hat, das Neueste zuerst.</translation>
    </message>
    <message>
        <source>Nothing here yet</source>
        <translation>Noch nichts hier</translation>
    </message>
    <message>
        <source>Gathered files</source>
        <translation>Gesammelte Dateien</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Play %1</source>
        <translation>%1 abspielen</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Gather what&apos;s scattered.</source>
        <translation>Sammeln, was verstreut ist.</translation>
    </message>
    <message>
        <source>Tovel collects audio and video from the web and from your computer, and saves it in the format you want.</source>
        <translation>Tovel sammelt Audio und Video aus dem Web und von Ihrem Rechner und speichert es im gewünschten Format.</translation>
    </message>
    <message>
        <source>What Tovel reads on its own</source>
        <translation>Was Tovel von sich aus liest</translation>
    </message>
    <message>
        <source>Podcast feeds</source>
        <translation>Podcast-Feeds</translation>
    </message>
    <message>
        <source>Paste a show&apos;s RSS link.</source>
        <translation>Fügen Sie den RSS-Link einer Sendung ein.</translation>
    </message>
    <message>
        <source>Direct media links</source>
        <translation>Direkte Medien-Links</translation>
    </message>
    <message>
        <source>Any link straight to an audio or video file.</source>
        <translation>Jeder Link direkt auf eine Audio- oder Videodatei.</translation>
    </message>
    <message>
        <source>Internet Archive and Wikimedia</source>
        <translation>Internet Archive und Wikimedia</translation>
    </message>
    <message>
        <source>Recordings from open archives.</source>
        <translation>Aufnahmen aus offenen Archiven.</translation>
    </message>
    <message>
        <source>Files and folders on your computer</source>
        <translation>Dateien und Ordner auf Ihrem Rechner</translation>
    </message>
    <message>
        <source>Drop them on the window.</source>
        <translation>Ziehen Sie sie ins Fenster.</translation>
    </message>
    <message>
        <source>Other websites</source>
        <translation>Andere Websites</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>For links from other websites, Tovel can use yt-dlp if you&apos;ve installed it yourself. Tovel doesn&apos;t include it. You&apos;re responsible for downloading only what you have the right to.</source>
        <translation>Für Links von anderen Websites kann Tovel yt-dlp verwenden, wenn Sie es selbst installiert haben. Tovel liefert es nicht mit. Sie sind dafür verantwortlich, nur herunterzuladen, wozu Sie berechtigt sind.</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>Gefunden</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>On</source>
        <translation>An</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Use yt-dlp for other websites</source>
        <translation>yt-dlp für andere Websites verwenden</translation>
    </message>
    <message>
        <source>Not installed? You can skip this and turn it on later in Engine settings.</source>
        <translation>Nicht installiert? Sie können diesen Schritt überspringen und es später unter „Technik“ einschalten.</translation>
    </message>
    <message>
        <source>You&apos;re set.</source>
        <translation>Alles bereit.</translation>
    </message>
    <message>
        <source>Saves to</source>
        <translation>Speichert in</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>Formate</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Start gathering</source>
        <translation>Sammeln beginnen</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>OpmlChooser</name>
    <message>
        <source>Export the shows you follow</source>
        <translation>Die gefolgten Sendungen exportieren</translation>
    </message>
    <message>
        <source>Import shows to follow</source>
        <translation>Sendungen zum Folgen importieren</translation>
    </message>
    <message>
        <source>OPML files (*.opml)</source>
        <translation>OPML-Dateien (*.opml)</translation>
    </message>
    <message>
        <source>OPML files or lists (*.opml *.xml *.txt)</source>
        <translation>OPML-Dateien oder Listen (*.opml *.xml *.txt)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>Picker</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>QuitConfirmation</name>
    <message>
        <source>1 item is still being gathered. Stop it and quit?</source>
        <translation>1 Eintrag wird noch gesammelt. Stoppen und beenden?</translation>
    </message>
    <message numerus="yes">
        <source>%n items are still being gathered. Stop them and quit?</source>
        <translation>
            <numerusform>%n Eintrag wird noch gesammelt. Stoppen und beenden?</numerusform>
            <numerusform>%n Einträge werden noch gesammelt. Stoppen und beenden?</numerusform>
        </translation>
    </message>
    <message>
        <source>Downloads and conversions in progress end, and their unfinished files are removed.</source>
        <translation>Laufende Downloads und Umwandlungen enden, und ihre unfertigen Dateien werden entfernt.</translation>
    </message>
    <message>
        <source>Keep gathering</source>
        <translation>Weiter sammeln</translation>
    </message>
    <message>
        <source>Stop and quit</source>
        <translation>Stoppen und beenden</translation>
    </message>
</context>
<context>
    <name>Rail</name>
    <message>
        <source>Get</source>
        <translation>Holen</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Aussehen</translation>
    </message>
    <message>
        <source>Engine</source>
        <translation>Technik</translation>
    </message>
    <message>
        <source>%1 (Ctrl+%2)</source>
        <extracomment>A pane of the window and the keys that show it, e.g. &quot;Library (Ctrl+2)&quot;.</extracomment>
        <translation>%1 (Strg+%2)</translation>
    </message>
    <message>
        <source>Open Downloads</source>
        <translation>Downloads öffnen</translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>Following</source>
        <translation>Gefolgt</translation>
    </message>
</context>
<context>
    <name>Stat</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>Tovel</name>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Could not create the folder %1.</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Nothing here can read that. </source>
        <translation>Das kann hier nichts lesen. </translation>
    </message>
    <message>
        <source>Could not reach that address. </source>
        <translation>Diese Adresse ist nicht erreichbar. </translation>
    </message>
    <message>
        <source>That address loaded, but nothing playable was found. </source>
        <translation>Die Adresse wurde geladen, aber nichts Abspielbares gefunden. </translation>
    </message>
    <message>
        <source>The server answered %1.</source>
        <translation>Der Server antwortete %1.</translation>
    </message>
    <message>
        <source>The file is larger than %1 bytes.</source>
        <translation>Die Datei ist größer als %1 Byte.</translation>
    </message>
    <message>
        <source>The temporary folder %1 is nearly full: at least %2 must stay free.</source>
        <translation>Der temporäre Ordner %1 ist fast voll: Mindestens %2 müssen frei bleiben.</translation>
    </message>
    <message>
        <source>The server could not send the rest of the file.</source>
        <translation>Der Server konnte den Rest der Datei nicht senden.</translation>
    </message>
    <message>
        <source>The server sent part of the file when the whole was asked for.</source>
        <translation>Der Server sandte einen Teil der Datei, obwohl die ganze angefragt war.</translation>
    </message>
    <message>
        <source>The server sent another part of the file than was asked for.</source>
        <translation>Der Server sandte einen anderen Teil der Datei als angefragt.</translation>
    </message>
    <message>
        <source>The file changed on the server while it downloaded.</source>
        <translation>Die Datei hat sich während des Herunterladens auf dem Server geändert.</translation>
    </message>
    <message>
        <source>More than %1 MiB arrived and the server never said how long the file is: it looks like a stream without end.</source>
        <translation>Mehr als %1 MiB kamen an, und der Server hat nie gesagt, wie lang die Datei ist: Es sieht nach einem endlosen Stream aus.</translation>
    </message>
    <message>
        <source>The download stalled: less than 1 KiB arrived in %1 seconds.</source>
        <translation>Der Download stockt: Weniger als 1 KiB kam in %1 Sekunden an.</translation>
    </message>
    <message>
        <source>The connection closed before the whole file arrived.</source>
        <translation>Die Verbindung wurde geschlossen, bevor die ganze Datei ankam.</translation>
    </message>
    <message>
        <source>The server sent more than it announced.</source>
        <translation>Der Server sandte mehr als angekündigt.</translation>
    </message>
    <message>
        <source>The server sent only part of the rest of the file.</source>
        <translation>Der Server sandte nur einen Teil vom Rest der Datei.</translation>
    </message>
    <message>
        <source>The file did not match what %1 lists for it.</source>
        <translation>Die Datei stimmte nicht mit den Angaben von %1 überein.</translation>
    </message>
    <message>
        <source>its publisher</source>
        <translation>ihrem Herausgeber</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <source>The server stalled: the answer did not come in time.</source>
        <translation>Der Server stockt: Die Antwort kam nicht rechtzeitig.</translation>
    </message>
    <message>
        <source>The answer is larger than %1.</source>
        <translation>Die Antwort ist größer als %1.</translation>
    </message>
    <message>
        <source>MP4 VIDEO</source>
        <translation>MP4-VIDEO</translation>
    </message>
    <message>
        <source>Best available</source>
        <translation>Bestmöglich</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Reading source…</source>
        <translation>Quelle wird gelesen …</translation>
    </message>
    <message>
        <source>Fetching…</source>
        <translation>Wird geladen …</translation>
    </message>
    <message>
        <source>Converting…</source>
        <translation>Wird umgewandelt …</translation>
    </message>
    <message>
        <source>Saved to Downloads</source>
        <translation>In Downloads gespeichert</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Retrying…</source>
        <translation>Neuer Versuch …</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Queued</source>
        <translation>Eingereiht</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>Fetching</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Saved</source>
        <translation>Gespeichert</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Retrying</source>
        <translation>Neuer Versuch</translation>
    </message>
    <message>
        <source>BEST</source>
        <translation>BESTE</translation>
    </message>
    <message>
        <source>No free file name is left in %1.</source>
        <translation>In %1 ist kein freier Dateiname mehr übrig.</translation>
    </message>
    <message>
        <source>No free file name is left for that title.</source>
        <translation>Für diesen Titel ist kein freier Dateiname mehr übrig.</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>nicht gefunden</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Turn on the web engine in Engine settings.</source>
        <translation>Schalten Sie die Web-Engine unter „Technik“ ein.</translation>
    </message>
    <message>
        <source>That doesn&apos;t look like a web link.</source>
        <translation>Das sieht nicht nach einem Web-Link aus.</translation>
    </message>
    <message>
        <source>yt-dlp did not answer. Check its path in Engine settings.</source>
        <translation>yt-dlp hat nicht geantwortet. Prüfen Sie den Pfad unter „Technik“.</translation>
    </message>
    <message>
        <source>The web engine couldn&apos;t read that link.</source>
        <translation>Die Web-Engine konnte diesen Link nicht lesen.</translation>
    </message>
    <message>
        <source>The source holds only %1 of the %2 it announces.</source>
        <translation>Die Quelle enthält nur %1 der angekündigten %2.</translation>
    </message>
    <message>
        <source>ffmpeg is missing.</source>
        <translation>ffmpeg fehlt.</translation>
    </message>
    <message>
        <source>ffmpeg made no progress for %1 seconds and was stopped.</source>
        <translation>ffmpeg kam %1 Sekunden lang nicht voran und wurde gestoppt.</translation>
    </message>
    <message>
        <source>There is no space left in the destination folder.</source>
        <translation>Im Zielordner ist kein Platz mehr.</translation>
    </message>
    <message>
        <source>ffmpeg could not finish writing the file.</source>
        <translation>ffmpeg konnte die Datei nicht fertig schreiben.</translation>
    </message>
    <message>
        <source>ffmpeg exited with code %1.</source>
        <translation>ffmpeg endete mit Code %1.</translation>
    </message>
    <message>
        <source>ffmpeg exited with code %1: %2</source>
        <translation>ffmpeg endete mit Code %1: %2</translation>
    </message>
    <message>
        <source>ffmpeg ended without writing the file.</source>
        <translation>ffmpeg endete, ohne die Datei zu schreiben.</translation>
    </message>
    <message>
        <source>ffmpeg found no audio to write.</source>
        <translation>ffmpeg fand kein Audio zum Schreiben.</translation>
    </message>
    <message>
        <source>The record of what was saved before was in use elsewhere, so items saved before may have been gathered again.</source>
        <translation>Das Verzeichnis des bisher Gespeicherten war anderweitig in Gebrauch, daher wurden früher gespeicherte Einträge womöglich erneut gesammelt.</translation>
    </message>
    <message>
        <source>The record of what was saved before comes from a newer Tovel. It is left as it is, and not used.</source>
        <translation>Das Verzeichnis des bisher Gespeicherten stammt von einem neueren Tovel. Es bleibt unverändert und wird nicht verwendet.</translation>
    </message>
    <message>
        <source>The record of what was saved before could not be opened (%1), so nothing saved now will be skipped next time.</source>
        <translation>Das Verzeichnis des bisher Gespeicherten ließ sich nicht öffnen (%1), daher wird nichts, was jetzt gespeichert wird, beim nächsten Mal übersprungen.</translation>
    </message>
    <message>
        <source>unknown reason</source>
        <translation>unbekannter Grund</translation>
    </message>
    <message>
        <source>1 saved file could not be noted in the record of what was saved, so a later gathering will fetch it again.</source>
        <translation>1 gespeicherte Datei konnte nicht im Verzeichnis des Gespeicherten vermerkt werden, daher wird sie beim nächsten Sammeln erneut geladen.</translation>
    </message>
    <message numerus="yes">
        <source>%n saved files could not be noted in the record of what was saved, so a later gathering will fetch them again.</source>
        <translation>
            <numerusform>%n gespeicherte Datei konnte nicht im Verzeichnis des Gespeicherten vermerkt werden, daher wird sie beim nächsten Sammeln erneut geladen.</numerusform>
            <numerusform>%n gespeicherte Dateien konnten nicht im Verzeichnis des Gespeicherten vermerkt werden, daher werden sie beim nächsten Sammeln erneut geladen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The record of what was saved before could not be read. It was kept as %1, and a new one begun.</source>
        <translation>Das Verzeichnis des bisher Gespeicherten ließ sich nicht lesen. Es wurde als %1 aufbewahrt und ein neues begonnen.</translation>
    </message>
    <message>
        <source>Already saved</source>
        <translation>Bereits gespeichert</translation>
    </message>
    <message>
        <source>Conversion failed. Could not save into %1: %2</source>
        <translation>Umwandlung fehlgeschlagen. Speichern in %1 nicht möglich: %2</translation>
    </message>
    <message>
        <source>ffmpeg is not installed. Tovel needs it to convert audio.</source>
        <translation>ffmpeg ist nicht installiert. Tovel braucht es zum Umwandeln von Audio.</translation>
    </message>
    <message>
        <source>Web engine · </source>
        <translation>Web-Engine · </translation>
    </message>
    <message>
        <source>Could not read %1. Its name could not be handed to ffmpeg.</source>
        <translation>%1 konnte nicht gelesen werden. Der Name ließ sich nicht an ffmpeg übergeben.</translation>
    </message>
    <message>
        <source>Could not read that file. </source>
        <translation>Diese Datei konnte nicht gelesen werden. </translation>
    </message>
    <message>
        <source>It is not a regular file.</source>
        <translation>Es ist keine reguläre Datei.</translation>
    </message>
    <message>
        <source>Fetch failed. </source>
        <translation>Laden fehlgeschlagen. </translation>
    </message>
    <message>
        <source>The web engine is not available.</source>
        <translation>Die Web-Engine ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Conversion failed. </source>
        <translation>Umwandlung fehlgeschlagen. </translation>
    </message>
    <message>
        <source>Conversion failed. Could not write into %1.</source>
        <translation>Umwandlung fehlgeschlagen. In %1 konnte nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Conversion failed. The file ffmpeg wrote is longer than its source.</source>
        <translation>Umwandlung fehlgeschlagen. Die von ffmpeg geschriebene Datei ist länger als ihre Quelle.</translation>
    </message>
    <message>
        <source>Fetch failed. The download kept ending early. </source>
        <translation>Laden fehlgeschlagen. Der Download brach immer wieder vorzeitig ab. </translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Web</source>
        <translation>Web</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Give a feed, a media link, an %1 item, or a file path.</source>
        <translation>Geben Sie einen Feed, einen Medien-Link, einen %1-Eintrag oder einen Dateipfad an.</translation>
    </message>
    <message>
        <source>Paste a podcast feed, a media link, an %1 item, or a file path.</source>
        <translation>Fügen Sie einen Podcast-Feed, einen Medien-Link, einen %1-Eintrag oder einen Dateipfad ein.</translation>
    </message>
    <message>
        <source>Unrecognised link — Tovel will try to read it as a feed.</source>
        <translation>Unbekannter Link – Tovel versucht, ihn als Feed zu lesen.</translation>
    </message>
    <message>
        <source>Not a link or a file path yet.</source>
        <translation>Noch kein Link und kein Dateipfad.</translation>
    </message>
    <message>
        <source>, so there is nowhere to save: set HOME to your home folder and try again.</source>
        <translation>, daher kann nichts gespeichert werden: Setzen Sie HOME auf Ihren persönlichen Ordner und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Your home folder is not set</source>
        <translation>Ihr persönlicher Ordner ist nicht gesetzt</translation>
    </message>
    <message>
        <source>Your home folder (HOME=%1) is not a full path</source>
        <translation>Ihr persönlicher Ordner (HOME=%1) ist kein vollständiger Pfad</translation>
    </message>
    <message>
        <source>Your home folder (HOME=%1) is not a folder</source>
        <translation>Ihr persönlicher Ordner (HOME=%1) ist kein Ordner</translation>
    </message>
    <message>
        <source>Your home folder (HOME=%1) cannot be written to</source>
        <translation>In Ihren persönlichen Ordner (HOME=%1) kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>That does not look like an %1 item.</source>
        <translation>Das sieht nicht nach einem %1-Eintrag aus.</translation>
    </message>
    <message>
        <source>Archive metadata could not be read.</source>
        <translation>Die Metadaten des Archivs konnten nicht gelesen werden.</translation>
    </message>
    <message>
        <source>No audio files in that item.</source>
        <translation>Keine Audiodateien in diesem Eintrag.</translation>
    </message>
    <message>
        <source>That is not a valid address.</source>
        <translation>Das ist keine gültige Adresse.</translation>
    </message>
    <message>
        <source>Direct link</source>
        <translation>Direkter Link</translation>
    </message>
    <message>
        <source>its one episode</source>
        <translation>seine einzige Folge</translation>
    </message>
    <message numerus="yes">
        <source>the %n episodes</source>
        <translation>
            <numerusform>die %n Folge</numerusform>
            <numerusform>die %n Folgen</numerusform>
        </translation>
    </message>
    <message>
        <source>This feed breaks off; Tovel read %1 before the break.</source>
        <translation>Dieser Feed bricht ab; Tovel hat davor %1 gelesen.</translation>
    </message>
    <message>
        <source>This feed has an error Tovel could not read past; it read %1 before it.</source>
        <translation>Dieser Feed hat einen Fehler, über den Tovel nicht hinweglesen konnte; davor hat es %1 gelesen.</translation>
    </message>
    <message>
        <source>This feed has errors; Tovel read its one episode anyway.</source>
        <translation>Dieser Feed hat Fehler; Tovel hat seine einzige Folge trotzdem gelesen.</translation>
    </message>
    <message numerus="yes">
        <source>This feed has errors; Tovel read all %n episodes anyway.</source>
        <translation>
            <numerusform>Dieser Feed hat Fehler; Tovel hat trotzdem %n Folge gelesen.</numerusform>
            <numerusform>Dieser Feed hat Fehler; Tovel hat trotzdem alle %n Folgen gelesen.</numerusform>
        </translation>
    </message>
    <message>
        <source>There is no file or folder at %1.</source>
        <translation>Unter %1 gibt es keine Datei und keinen Ordner.</translation>
    </message>
    <message>
        <source>More than one file in that folder is shown as %1; rename one of them to gather it.</source>
        <translation>Mehr als eine Datei in diesem Ordner wird als %1 angezeigt; benennen Sie eine davon um, um sie zu sammeln.</translation>
    </message>
    <message>
        <source>Local file</source>
        <translation>Lokale Datei</translation>
    </message>
    <message>
        <source>No audio or video files in that folder.</source>
        <translation>Keine Audio- oder Videodateien in diesem Ordner.</translation>
    </message>
    <message>
        <source>Folder · </source>
        <translation>Ordner · </translation>
    </message>
    <message>
        <source>The feed address answered %1.</source>
        <translation>Die Feed-Adresse antwortete %1.</translation>
    </message>
    <message>
        <source>No audio enclosures in that feed.</source>
        <translation>Keine Audio-Anhänge in diesem Feed.</translation>
    </message>
    <message>
        <source>Folder — every audio file inside, converted offline.</source>
        <translation>Ordner – jede Audiodatei darin, offline umgewandelt.</translation>
    </message>
    <message>
        <source>Local file — converts without touching the network.</source>
        <translation>Lokale Datei – wird ohne Netzwerk umgewandelt.</translation>
    </message>
    <message>
        <source>Wikimedia Commons — freely licensed media.</source>
        <translation>Wikimedia Commons – frei lizenzierte Medien.</translation>
    </message>
    <message>
        <source>Archive</source>
        <translation>Archiv</translation>
    </message>
    <message>
        <source>Internet Archive item.</source>
        <translation>Eintrag im Internet Archive.</translation>
    </message>
    <message>
        <source>Direct</source>
        <translation>Direkt</translation>
    </message>
    <message>
        <source>Direct media link.</source>
        <translation>Direkter Medien-Link.</translation>
    </message>
    <message>
        <source>Feed</source>
        <translation>Feed</translation>
    </message>
    <message>
        <source>Podcast feed.</source>
        <translation>Podcast-Feed.</translation>
    </message>
    <message>
        <source>Point at a Commons File: page.</source>
        <translation>Geben Sie eine Commons-Seite „File:“ an.</translation>
    </message>
    <message>
        <source>No media found on that Commons page.</source>
        <translation>Auf dieser Commons-Seite wurden keine Medien gefunden.</translation>
    </message>
    <message>
        <source>Aurora</source>
        <translation>Polarlicht</translation>
    </message>
    <message>
        <source>Ember</source>
        <translation>Glut</translation>
    </message>
    <message>
        <source>Tide</source>
        <translation>Gezeiten</translation>
    </message>
    <message>
        <source>Graphite</source>
        <translation>Graphit</translation>
    </message>
    <message>
        <source>Meadow</source>
        <translation>Wiese</translation>
    </message>
    <message>
        <source>Dusk</source>
        <translation>Dämmerung</translation>
    </message>
    <message>
        <source>Already saved</source>
        <comment>status word on a card</comment>
        <translation>Vorhanden</translation>
    </message>
    <message>
        <source>Conversion failed. Could not write the tags into %1.</source>
        <translation>Umwandlung fehlgeschlagen. Die Tags konnten nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>Even loudness</source>
        <translation>Gleiche Lautheit</translation>
    </message>
    <message>
        <source>Even loudness (%1 LUFS)</source>
        <translation>Gleiche Lautheit (%1 LUFS)</translation>
    </message>
    <message>
        <source>Shorter silences</source>
        <translation>Kürzere Pausen</translation>
    </message>
    <message>
        <source>%1, shorter silences</source>
        <comment>after the loudness</comment>
        <translation>%1, kürzere Pausen</translation>
    </message>
    <message>
        <source>−%1 s</source>
        <comment>time a file was made shorter by</comment>
        <translation>−%1 s</translation>
    </message>
    <message>
        <source>−%1 min</source>
        <comment>time a file was made shorter by</comment>
        <translation>−%1 min</translation>
    </message>
    <message>
        <source>−%1 min %2 s</source>
        <comment>time a file was made shorter by</comment>
        <translation>−%1 min %2 s</translation>
    </message>
    <message>
        <source>Conversion failed. ffmpeg could not read the sound through to measure it.</source>
        <translation>Umwandlung fehlgeschlagen. ffmpeg konnte den Klang nicht bis zum Ende lesen, um ihn zu messen.</translation>
    </message>
    <message>
        <source>Saved without chapters: the chapters could not be read.</source>
        <translation>Ohne Kapitel gespeichert: Die Kapitel konnten nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Saved without its transcript: the transcript could not be read.</source>
        <translation>Ohne Transkript gespeichert: Das Transkript konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Saved without its transcript: it could not be written into %1.</source>
        <translation>Ohne Transkript gespeichert: Es konnte nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>%1 could not be read as a list of sources.</source>
        <translation>%1 konnte nicht als Liste von Quellen gelesen werden.</translation>
    </message>
    <message>
        <source>%1 lists no sources.</source>
        <translation>%1 führt keine Quellen auf.</translation>
    </message>
    <message>
        <source>Line %1, %2: %3</source>
        <translation>Zeile %1, %2: %3</translation>
    </message>
    <message>
        <source>Line %1 · %2</source>
        <comment>where a job of a list came from</comment>
        <translation>Zeile %1 · %2</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message numerus="yes">
        <source>A list of %n sources, each gathered on its own.</source>
        <translation>
            <numerusform>Eine Liste mit %n Quelle, jede für sich gesammelt.</numerusform>
            <numerusform>Eine Liste mit %n Quellen, jede für sich gesammelt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>None of the %n items is one of those asked for.</source>
        <translation>
            <numerusform>Der %n Eintrag ist keiner der gewünschten.</numerusform>
            <numerusform>Keiner der %n Einträge ist einer der gewünschten.</numerusform>
        </translation>
    </message>
    <message>
        <source>Pick items by their numbers in tovel list, such as 1,3-5.</source>
        <translation>Wählen Sie Einträge nach ihren Nummern in tovel list, etwa 1,3-5.</translation>
    </message>
    <message>
        <source>Give the day as YYYY-MM-DD, such as 2026-01-31.</source>
        <translation>Geben Sie den Tag als JJJJ-MM-TT an, etwa 2026-01-31.</translation>
    </message>
    <message>
        <source>The feed address sent Tovel on to %1, which it does not follow.</source>
        <translation>Die Feed-Adresse hat Tovel nach %1 weitergeleitet; dorthin folgt es nicht.</translation>
    </message>
    <message>
        <source>The feed address sent Tovel on through too many redirects.</source>
        <translation>Die Feed-Adresse hat Tovel über zu viele Weiterleitungen geschickt.</translation>
    </message>
    <message>
        <source>Only a podcast feed&apos;s web address can be followed.</source>
        <translation>Folgen können Sie nur der Webadresse eines Podcast-Feeds.</translation>
    </message>
    <message>
        <source>You already follow %1.</source>
        <translation>Sie folgen %1 bereits.</translation>
    </message>
    <message>
        <source>%1 new episodes from %2 shows</source>
        <translation>%1 neue Folgen aus %2 Sendungen</translation>
    </message>
    <message>
        <source>1 new episode from %1</source>
        <translation>1 neue Folge von %1</translation>
    </message>
    <message>
        <source>%1 new episodes from %2</source>
        <translation>%1 neue Folgen von %2</translation>
    </message>
    <message>
        <source>Tovel could not keep the show: the record of what was saved could not be used.</source>
        <translation>Tovel konnte sich die Sendung nicht merken: Das Verzeichnis des Gespeicherten war nicht nutzbar.</translation>
    </message>
    <message>
        <source>Checking on a schedule needs systemd, and it does not run for you on this computer.</source>
        <translation>Prüfen nach Zeitplan braucht systemd, und das läuft auf diesem Rechner nicht für Sie.</translation>
    </message>
    <message>
        <source>The schedule&apos;s timer (%1) was not installed with this Tovel.</source>
        <translation>Der Timer des Zeitplans (%1) wurde mit diesem Tovel nicht installiert.</translation>
    </message>
    <message>
        <source>systemd&apos;s user manager could not be asked: %1</source>
        <translation>Der Benutzerdienst von systemd war nicht erreichbar: %1</translation>
    </message>
    <message>
        <source>Another Tovel is checking the followed shows now; this check was left to it.</source>
        <translation>Ein anderes Tovel prüft gerade die gefolgten Sendungen; diese Prüfung wurde ihm überlassen.</translation>
    </message>
</context>
<context>
    <name>WebEngineChooser</name>
    <message>
        <source>Choose yt-dlp</source>
        <translation>yt-dlp auswählen</translation>
    </message>
</context>
<context>
    <name>WindowControls</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Minimise</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Maximise</source>
        <translation>Maximieren</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
</context>
<context>
    <name>tovel::ChoiceList</name>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
</context>
<context>
    <name>tovel::Desktop</name>
    <message>
        <source>Show</source>
        <translation>Zeigen</translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>No web browser is set to open links. The address can be copied instead.</source>
        <translation>Kein Webbrowser ist zum Öffnen von Links eingerichtet. Sie können die Adresse stattdessen kopieren.</translation>
    </message>
    <message>
        <source>%1 is no longer there; it may have been moved or deleted.</source>
        <translation>%1 ist nicht mehr da; die Datei wurde vielleicht verschoben oder gelöscht.</translation>
    </message>
    <message>
        <source>No file manager is set to open folders. %1 is at %2.</source>
        <translation>Keine Dateiverwaltung ist zum Öffnen von Ordnern eingerichtet. %1 liegt unter %2.</translation>
    </message>
    <message>
        <source>No file manager is set to show files. The file is in %1.</source>
        <translation>Keine Dateiverwaltung ist zum Zeigen von Dateien eingerichtet. Die Datei liegt in %1.</translation>
    </message>
    <message>
        <source>No app is set to open this file. The file is in %1.</source>
        <translation>Keine App ist zum Öffnen dieser Datei eingerichtet. Die Datei liegt in %1.</translation>
    </message>
    <message>
        <source>No app is set to open %1 files. The file is in %2.</source>
        <extracomment>%1 is a file type such as MP3, %2 a folder such as Downloads.</extracomment>
        <translation>Keine App ist zum Öffnen von %1-Dateien eingerichtet. Die Datei liegt in %2.</translation>
    </message>
</context>
<context>
    <name>tovel::EngineReport</name>
    <message>
        <source>Manifest v%1 · updated %2</source>
        <translation>Manifest v%1 · aktualisiert %2</translation>
    </message>
    <message>
        <source>Manifest v%1 · built-in defaults</source>
        <translation>Manifest v%1 · eingebaute Vorgaben</translation>
    </message>
    <message>
        <source>No crash reports. Any that occur are written to this computer only — nothing is ever sent.</source>
        <translation>Keine Absturzberichte. Entstehende Berichte werden nur auf diesem Rechner gespeichert – nichts wird je gesendet.</translation>
    </message>
    <message numerus="yes">
        <source>%n crash report(s) on this computer. Nothing has been sent anywhere.</source>
        <translation>
            <numerusform>%n Absturzbericht auf diesem Rechner. Nichts wurde irgendwohin gesendet.</numerusform>
            <numerusform>%n Absturzberichte auf diesem Rechner. Nichts wurde irgendwohin gesendet.</numerusform>
        </translation>
    </message>
    <message>
        <source>no QML engine</source>
        <translation>keine QML-Engine</translation>
    </message>
    <message>
        <source>the file dialog could not be loaded</source>
        <translation>der Dateidialog konnte nicht geladen werden</translation>
    </message>
</context>
<context>
    <name>tovel::Following</name>
    <message>
        <source>today at %1</source>
        <translation>heute um %1</translation>
    </message>
    <message>
        <source>yesterday at %1</source>
        <translation>gestern um %1</translation>
    </message>
    <message>
        <source>Followed %1 · not checked yet</source>
        <translation>Gefolgt %1 · noch nicht geprüft</translation>
    </message>
    <message>
        <source>Checked %1</source>
        <translation>Geprüft %1</translation>
    </message>
    <message>
        <source>1 new episode</source>
        <translation>1 neue Folge</translation>
    </message>
    <message>
        <source>%1 new episodes</source>
        <translation>%1 neue Folgen</translation>
    </message>
    <message>
        <source>nothing new</source>
        <translation>nichts Neues</translation>
    </message>
    <message>
        <source>%1 could not be unfollowed.</source>
        <translation>%1 konnte nicht entfolgt werden.</translation>
    </message>
    <message>
        <source>You follow every show that file lists already.</source>
        <translation>Sie folgen jeder Sendung dieser Datei bereits.</translation>
    </message>
    <message>
        <source>The list of shows could not be written to %1: %2</source>
        <translation>Die Liste der Sendungen konnte nicht in %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>1 show written to %1.</source>
        <translation>1 Sendung in %1 geschrieben.</translation>
    </message>
    <message>
        <source>%1 shows written to %2.</source>
        <translation>%1 Sendungen in %2 geschrieben.</translation>
    </message>
    <message>
        <source>Now following 1 more show.</source>
        <translation>Sie folgen jetzt 1 weiteren Sendung.</translation>
    </message>
    <message>
        <source>Now following %1 more shows.</source>
        <translation>Sie folgen jetzt %1 weiteren Sendungen.</translation>
    </message>
</context>
<context>
    <name>tovel::Gathering</name>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Newest %1</source>
        <translation>Neueste %1</translation>
    </message>
    <message>
        <source>%1 saved</source>
        <translation>%1 gespeichert</translation>
    </message>
    <message>
        <source>%1 already saved</source>
        <translation>%1 bereits gespeichert</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 stopped</source>
        <translation>%1 gestoppt</translation>
    </message>
    <message>
        <source>As recorded</source>
        <translation>Wie aufgenommen</translation>
    </message>
    <message>
        <source>Even loudness</source>
        <translation>Gleiche Lautheit</translation>
    </message>
    <message>
        <source>Shorter silences</source>
        <translation>Kürzere Pausen</translation>
    </message>
    <message>
        <source>Even and shorter</source>
        <comment>even loudness and shorter silences</comment>
        <translation>Gleich und kürzer</translation>
    </message>
</context>
</TS>
