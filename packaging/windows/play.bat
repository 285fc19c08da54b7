@echo off
rem Plays the example demo: the player runs in the demo's folder.
cd /d "%~dp0example"
"%~dp0demoplayer.exe"
echo.
echo The demo has ended (exit status %ERRORLEVEL%).
pause
