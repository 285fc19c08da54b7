@echo off
rem Plays "@NAME@": full screen at the screen's resolution, unless its maker
rem chose a window; it ends by itself. README.txt says more.
rem   play.bat                 as its maker meant it
rem   play.bat --windowed      in a window
rem   play.bat --size WxH      in a window of that size, e.g. --size 1280x720
setlocal
cd /d "%~dp0@DEMO@"
rem Started by a double-click, this batch file has a console window of its
rem own: the player then starts apart from it, its own console hidden, and
rem this window closes. Started from a console, the player writes what it
rem does there, and the batch file waits for it and passes on its status.
echo %cmdcmdline% | find /i "%~0" >nul
if not errorlevel 1 (
  start "" /min "%~dp0@PLAYER@" --release %*
  exit /b 0
)
"%~dp0@PLAYER@" --release %*
exit /b %ERRORLEVEL%
