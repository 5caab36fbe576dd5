ModName=scripttest
ModFullName=Script module test harness
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=scripttest
ClassName=ScriptTest.Harness
